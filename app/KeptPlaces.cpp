#include "app/KeptPlaces.h"

#include <QVariant>

#include <algorithm>

namespace {

const QString kOpenings = QStringLiteral("recent/openings");
const QString kOpenFolder = QStringLiteral("recent/openFolder");
const QString kWindowGeometry = QStringLiteral("window/geometry");

}  // namespace

KeptPlaces::KeptPlaces() = default;

QList<QStringList> KeptPlaces::openings() const {
    // The file is the user's to read and edit (one line of file names per opening): whatever it holds is read
    // as far as it makes sense, never trusted.
    QList<QStringList> openings;
    QSettings& settings = settings_;  // reading an array moves its position
    const int count = std::min(settings.beginReadArray(kOpenings), kMaxOpenings);
    for (int i = 0; i < count; ++i) {
        settings.setArrayIndex(i);
        QStringList files = settings.value(QStringLiteral("files")).toStringList();
        files.removeAll(QString());
        if (!files.isEmpty()) openings << files.mid(0, kMaxFilesPerOpening);
    }
    settings.endArray();
    return openings;
}

void KeptPlaces::addOpening(const QStringList& files) {
    if (files.isEmpty()) return;
    QList<QStringList> openings = this->openings();
    const QStringList opening = files.mid(0, kMaxFilesPerOpening);
    openings.removeAll(opening);
    openings.prepend(opening);
    openings = openings.mid(0, kMaxOpenings);
    settings_.remove(kOpenings);
    settings_.beginWriteArray(kOpenings, static_cast<int>(openings.size()));
    for (int i = 0; i < openings.size(); ++i) {
        settings_.setArrayIndex(i);
        settings_.setValue(QStringLiteral("files"), openings[i]);
    }
    settings_.endArray();
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
