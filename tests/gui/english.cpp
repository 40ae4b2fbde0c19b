// The interface in English: chosen by the system's language (this test runs under LANGUAGE=en) unless the
// View menu chose one for the next start; then every text of the window, its dialogs, its messages and the
// render command's help is English.
#include <QAbstractButton>
#include <QComboBox>
#include <QGroupBox>
#include <QHeaderView>
#include <QMouseEvent>
#include <QRegularExpression>
#include <QTextBrowser>
#include <QTreeWidget>

#include <cstdio>

#include "GuiTestSupport.h"
#include "WideBandTestSupport.h"
#include "dialogs/SubdatasetDialog.h"
#include "document/InterfaceLanguage.h"

using guitest::MainWindowTest;

namespace {

// Every text a widget shows, with where it is.
void collectTexts(QWidget* w, QStringList* texts) {
    const QString at = QString::fromLatin1(w->metaObject()->className()) + QLatin1Char(' ') + w->objectName();
    auto add = [&](const QString& text) {
        if (!text.isEmpty()) *texts << at + QStringLiteral(": ") + text;
    };
    add(w->windowTitle());
    add(w->toolTip());
    add(w->statusTip());
    if (auto* label = qobject_cast<QLabel*>(w)) add(label->text());
    if (auto* button = qobject_cast<QAbstractButton*>(w)) add(button->text());
    if (auto* group = qobject_cast<QGroupBox*>(w)) add(group->title());
    if (auto* edit = qobject_cast<QLineEdit*>(w)) add(edit->placeholderText());
    if (auto* browser = qobject_cast<QTextBrowser*>(w)) add(browser->toPlainText());
    if (auto* combo = qobject_cast<QComboBox*>(w))
        for (int i = 0; i < combo->count(); ++i)
            add(combo->itemText(i));
    if (auto* tree = qobject_cast<QTreeWidget*>(w))
        for (int c = 0; c < tree->columnCount(); ++c)
            add(tree->headerItem()->text(c));
    if (auto* menu = qobject_cast<QMenu*>(w)) {
        add(menu->title());
        emit menu->aboutToShow();  // menus filled when shown
    }
    for (QAction* a : w->actions()) {
        if (a->objectName() == QLatin1String("japaneseAction")) continue;  // named in its own language
        add(a->text());
        add(a->toolTip());
    }
}

QStringList japaneseIn(const QStringList& texts) {
    static const QRegularExpression japanese(
        QStringLiteral("[\\x{3000}-\\x{30ff}\\x{4e00}-\\x{9fff}\\x{ff00}-\\x{ffef}]"));
    QStringList found;
    for (const QString& t : texts)
        if (t.contains(japanese)) found << t;
    return found;
}

}  // namespace

TEST(InterfaceLanguageTest, FollowsTheSystemsFirstLanguage) {
    const struct {
        QStringList system;
        InterfaceLanguage expected;
    } cases[] = {
        {{"ja-JP", "en"}, InterfaceLanguage::Japanese}, {{"ja"}, InterfaceLanguage::Japanese},
        {{"en-US", "ja"}, InterfaceLanguage::English},  {{"de-DE"}, InterfaceLanguage::English},
        {{"C"}, InterfaceLanguage::Japanese},           {{"C.UTF-8"}, InterfaceLanguage::Japanese},
        {{"POSIX"}, InterfaceLanguage::Japanese},       {{}, InterfaceLanguage::Japanese},
    };
    for (const auto& c : cases)
        EXPECT_EQ(languageOfSystem(c.system), c.expected) << c.system.join(QLatin1Char(',')).toStdString();
}

TEST_F(MainWindowTest, EverythingShownIsEnglishUnderAnEnglishSystem) {
    ASSERT_EQ(startLanguage(), InterfaceLanguage::English) << "run with LANGUAGE=en";
    ASSERT_TRUE(installLanguage(startLanguage()));
    window = std::make_unique<guitest::WindowUnderTest>();  // made after the translation, as at a start
    window->resize(1000, 700);
    window->show();

    // A georeferenced scene drawn with a preset and its legend, the pointer over it; a file refused.
    const std::string a = dir.file("a.tif"), b = dir.file("b.tif"), bad = dir.file("bad.tif");
    for (const std::string& path : {a, b})
        ASSERT_TRUE(widetest::writeGeoTiff(
            dir, path, "UInt16", 40, 30, [](int x, int y) { return x * 100 + y; },
            "-a_srs EPSG:4326 -a_ullr 8 51 8.4 50.7"));
    std::FILE* f = std::fopen(bad.c_str(), "wb");
    std::fputs("II*\0not a tiff", f);
    std::fclose(f);
    window->openNow({a, b, bad});
    document().applyPreset(orvenna::PresetRequest::ndvi(0, 1));
    window->findChild<QAction*>(QStringLiteral("showLegendAction"))->setChecked(true);
    window->redrawButton->click();
    ASSERT_TRUE(window->waitForJobs());
    const QPoint centre = window->view->rect().center();
    QMouseEvent move(QEvent::MouseMove, centre, window->view->mapToGlobal(centre), Qt::NoButton, Qt::NoButton,
                     Qt::NoModifier);
    QCoreApplication::sendEvent(window->view, &move);
    window->openAction->trigger();  // the open dialog's caption and filter
    window->findChild<QAction*>(QStringLiteral("openUrlAction"))->trigger();  // the URL prompt

    QStringList texts;
    for (QWidget* w : window->findChildren<QWidget*>())
        collectTexts(w, &texts);
    collectTexts(window.get(), &texts);
    SubdatasetDialog parts(QStringLiteral("ocean.nc"), {orvenna::SubdatasetInfo{}}, window.get());
    for (QWidget* w : parts.findChildren<QWidget*>())
        collectTexts(w, &texts);
    collectTexts(&parts, &texts);
    for (const auto& box : prompts.boxes)
        texts << QStringLiteral("prompt: ") + box.caption + QStringLiteral(" / ") + box.text;
    ASSERT_GE(prompts.boxes.size(), 3u);  // the refusal, the open dialog, the URL prompt
    const QStringList japanese = japaneseIn(texts);
    EXPECT_TRUE(japanese.isEmpty()) << japanese.join(QLatin1Char('\n')).toStdString() << "\n(of "
                                    << texts.size() << " texts)";

    // The command's help and its messages.
    const std::string command = std::string(ORVENNA_BINARY_DIR) + "/orvenna-render --help; " +
                                ORVENNA_BINARY_DIR + "/orvenna-render -o out.xyz x.tif 2>&1";
    std::FILE* out = popen(command.c_str(), "r");
    ASSERT_NE(out, nullptr);
    QByteArray help;
    char buffer[4096];
    for (size_t n; (n = std::fread(buffer, 1, sizeof buffer, out)) > 0;)
        help.append(buffer, static_cast<qsizetype>(n));
    pclose(out);
    EXPECT_GT(help.size(), 500);
    EXPECT_TRUE(japaneseIn({QString::fromUtf8(help)}).isEmpty()) << help.toStdString();

    // The View menu's choice holds from the next start, whatever the system says.
    window->findChild<QAction*>(QStringLiteral("japaneseAction"))->trigger();
    EXPECT_EQ(chosenLanguage(), InterfaceLanguage::Japanese);
    EXPECT_EQ(startLanguage(), InterfaceLanguage::Japanese);
    EXPECT_EQ(prompts.boxes.back().type, ScriptedPrompts::BoxType::Message);
}

ORVENNA_GUI_TEST_MAIN()
