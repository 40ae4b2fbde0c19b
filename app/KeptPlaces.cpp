#include "app/KeptPlaces.h"

#include <QVariant>

namespace {

const QString kOpenings = QStringLiteral("recent/openings");
const QString kOpenFolder = QStringLiteral("recent/openFolder");
const QString kWindowGeometry = QStringLiteral("window/geometry");

}  // namespace

KeptPlaces::KeptPlaces()
    : settings_(QSettings::NativeFormat, QSettings::UserScope, QStringLiteral("Orvenna"),
                QStringLiteral("orvenna")) {}

QList<QStringList> KeptPlaces::openings() const {
    // The file is the user's to edit: whatever it holds is read as far as it makes sense, never trusted.
    QList<QStringList> openings;
    const QVariantList kept = settings_.value(kOpenings).toList();
    for (const QVariant& entry : kept) {
        QStringList files = entry.toStringList();
        files.removeAll(QString());
        if (files.isEmpty()) continue;
        openings << files.mid(0, kMaxFilesPerOpening);
        if (openings.size() == kMaxOpenings) break;
    }
    return openings;
}

void KeptPlaces::addOpening(const QStringList& files) {
    if (files.isEmpty()) return;
    QList<QStringList> openings = this->openings();
    const QStringList opening = files.mid(0, kMaxFilesPerOpening);
    openings.removeAll(opening);
    openings.prepend(opening);
    QVariantList kept;
    for (const QStringList& entry : openings.mid(0, kMaxOpenings))
        kept << QVariant(entry);
    settings_.setValue(kOpenings, kept);
}

QString KeptPlaces::openFolder() const {
    return settings_.value(kOpenFolder).toString();
}

void KeptPlaces::setOpenFolder(const QString& folder) {
    settings_.setValue(kOpenFolder, folder);
}

QByteArray KeptPlaces::windowGeometry() const {
    return settings_.value(kWindowGeometry).toByteArray();
}

void KeptPlaces::setWindowGeometry(const QByteArray& geometry) {
    settings_.setValue(kWindowGeometry, geometry);
}

void KeptPlaces::forget() {
    settings_.remove(QStringLiteral("recent"));
    settings_.remove(QStringLiteral("window"));
}
