// What the viewer keeps from one start to the next, in the user's configuration folder through Qt's settings
// (~/.config/Orvenna/orvenna.conf): the last openings, the folder the open dialog was last in and the main
// window's size and place. The settings panel is not kept: it starts from its defaults at every start.
#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

#include "document/UserSettings.h"

class KeptPlaces {
public:
    static constexpr int kMaxOpenings = 10;
    // Files one kept opening may name at most (a longer set is kept cut to its first ones).
    static constexpr int kMaxFilesPerOpening = 256;

    KeptPlaces();

    // The last openings, the newest first; each the set of files (or URLs) opened together.
    QList<QStringList> openings() const;
    // Puts `files` first; the same set opened earlier moves up instead of standing twice.
    void addOpening(const QStringList& files);

    QString openFolder() const;
    void setOpenFolder(const QString& folder);

    QByteArray windowGeometry() const;
    void setWindowGeometry(const QByteArray& geometry);

    // Forgets everything kept.
    void forget();

private:
    mutable UserSettings settings_;
};
