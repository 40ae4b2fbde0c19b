// What the viewer keeps from one start to the next: the last openings in the File menu (a set opens as the
// set), the open dialog's folder and the window's size, forgotten on request; a settings file edited into
// nonsense is read as far as it makes sense. The settings live in this run's folder (ORVENNA_GUI_TEST_MAIN).
#include <QMenu>
#include <QSettings>

#include "GuiTestSupport.h"
#include "app/KeptPlaces.h"

using guitest::MainWindowTest;

namespace {

QStringList menuTexts(QMenu* menu) {
    emit menu->aboutToShow();
    QStringList texts;
    for (QAction* a : menu->actions())
        texts << (a->isSeparator() ? QStringLiteral("-") : a->text());
    return texts;
}

}  // namespace

TEST_F(MainWindowTest, OpeningsFolderAndSizeAreKeptAcrossStarts) {
    KeptPlaces().forget();
    const std::string a = dir.file("a.vdm"), b = dir.file("b.vdm"), c = dir.file("c.vdm");
    for (const std::string& path : {a, b, c})
        guitest::writeNativeScene(path, 8, 6, 1, [](int, int x, int) { return uint8_t(x); });

    // The first start: a size of its own, three openings (the first set twice), a file picked in a folder.
    window->restoreKeptGeometry();
    window->resize(700, 480);
    window->openNow({a, b});
    window->closeAllButton->click();
    window->openNow({c});
    window->closeAllButton->click();
    window->openNow({a, b});
    window->closeAllButton->click();
    prompts.openAnswers.push_back({QString::fromStdString(c)});
    window->openAction->trigger();
    ASSERT_TRUE(window->waitForJobs());
    window->closeAllButton->click();
    window->close();

    // The next start.
    window = std::make_unique<guitest::WindowUnderTest>();
    window->restoreKeptGeometry();
    EXPECT_EQ(window->size(), QSize(700, 480));
    QMenu* recent = window->findChild<QMenu*>(QStringLiteral("recentMenu"));
    ASSERT_NE(recent, nullptr);
    EXPECT_EQ(menuTexts(recent), QStringList({"&1 c.vdm", "&2 a.vdm (他 1)", "-", "履歴を消す(&F)"}));
    recent->actions()[1]->trigger();  // the set opens as the set
    ASSERT_TRUE(window->waitForJobs());
    EXPECT_EQ(document().bandCount(), 2);
    window->closeAllButton->click();
    window->openAction->trigger();  // the dialog starts where the last file was picked
    EXPECT_EQ(prompts.boxes.back().folder, QString::fromStdString(dir.path().string()));

    window->findChild<QAction*>(QStringLiteral("forgetRecentAction"))->trigger();
    EXPECT_EQ(menuTexts(recent), QStringList({"(なし)", "-", "履歴を消す(&F)"}));
    EXPECT_TRUE(KeptPlaces().windowGeometry().isEmpty());
    EXPECT_TRUE(KeptPlaces().openFolder().isEmpty());
}

TEST(KeptPlaces, ASettingsFileEditedIntoNonsenseIsReadAsFarAsItMakesSense) {
    QSettings settings(QSettings::NativeFormat, QSettings::UserScope, QStringLiteral("Orvenna"),
                       QStringLiteral("orvenna"));
    // A count far beyond what is there, empty sets and names.
    settings.beginWriteArray(QStringLiteral("recent/openings"), 15);
    for (int i = 0; i < 15; ++i) {
        settings.setArrayIndex(i);
        if (i % 3 == 0)
            settings.setValue(QStringLiteral("files"), QStringList());
        else
            settings.setValue(QStringLiteral("files"), QStringList{QStringLiteral("f%1").arg(i), QString()});
    }
    settings.endArray();
    settings.setValue(QStringLiteral("recent/openings/size"), 1000000);
    settings.sync();
    const QList<QStringList> openings = KeptPlaces().openings();
    // Empty sets and names left out, among the first ten entries only.
    ASSERT_EQ(openings.size(), 6);
    EXPECT_EQ(openings.first(), QStringList{"f1"});
    EXPECT_EQ(openings.last(), QStringList{"f8"});
}

ORVENNA_GUI_TEST_MAIN()
