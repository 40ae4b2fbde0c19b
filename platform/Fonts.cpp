#include "platform/Fonts.h"

#include <QStringList>

namespace {

const QStringList& faces() {
    static const QStringList faces = {QStringLiteral("ＭＳ Ｐゴシック"),  // untranslated: the font's own name
                                      QStringLiteral("MS PGothic"),      QStringLiteral("IPAPGothic"),
                                      QStringLiteral("IPAGothic"),       QStringLiteral("Noto Sans CJK JP"),
                                      QStringLiteral("VL PGothic"),      QStringLiteral("sans-serif")};
    return faces;
}

}  // namespace

QFont uiFont(int pixelSize) {
    QFont font;
    font.setFamilies(faces());
    font.setPixelSize(pixelSize);
    return font;
}

QFont uiPointFont(int points) {
    QFont font;
    font.setFamilies(faces());
    font.setPointSize(points);
    return font;
}
