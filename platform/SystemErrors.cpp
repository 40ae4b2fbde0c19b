#include "platform/SystemErrors.h"

#include "scene/scene_url.h"
#include "scene/system_errors.h"

QString systemErrorText(int error) {
    return QString::fromStdString(system_error_text(error));
}

QString unreadableFileReason(const QByteArray& path) {
    return QString::fromStdString(unreadable_file_reason(path.constData()));
}

QString displayFileName(const QByteArray& path) {
    const int slash = path.lastIndexOf('/');
    // A URL shows the last part of its path, without the query (scene_url.h).
    const QString name = is_scene_url(path.constData())
                             ? QString::fromStdString(scene_url_file_name(path.toStdString()))
                             : QString::fromUtf8(slash >= 0 ? path.mid(slash + 1) : path);
    QString shown;
    shown.reserve(name.size());
    for (const QChar c : name) {
        const ushort u = c.unicode();
        if (u == '\n')
            shown += QStringLiteral("\\n");
        else if (u == '\t')
            shown += QStringLiteral("\\t");
        else if (u == '\r')
            shown += QStringLiteral("\\r");
        else if (u < 0x20 || u == 0x7F || (u >= 0x80 && u < 0xA0))
            shown += QStringLiteral("\\x%1").arg(u, 2, 16, QLatin1Char('0'));
        else
            shown += c;
    }
    return shown;
}
