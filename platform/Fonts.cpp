#include "platform/Fonts.h"

#include <QStringList>

namespace {

const QStringList& Faces() {
    static const QStringList faces = {QStringLiteral("ＭＳ Ｐゴシック"),  QStringLiteral("MS PGothic"),
                                      QStringLiteral("IPAPGothic"),       QStringLiteral("IPAGothic"),
                                      QStringLiteral("Noto Sans CJK JP"), QStringLiteral("VL PGothic"),
                                      QStringLiteral("sans-serif")};
    return faces;
}

}  // namespace

QFont FormFont(int pixelSize) {
    QFont font;
    font.setFamilies(Faces());
    font.setPixelSize(pixelSize);
    return font;
}

QFont FormPointFont(int points) {
    QFont font;
    font.setFamilies(Faces());
    font.setPointSize(points);
    return font;
}
