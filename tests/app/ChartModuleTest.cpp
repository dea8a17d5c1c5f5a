// The flight and recovery windows through the vanteo-charts module, as the program opens them:
// the built module loads and opens its windows, and a missing module is reported, not fatal.
#include <QAbstractButton>
#include <QDialog>
#include <QTemporaryDir>

#include "app/ChartWindows.h"
#include "app/LinkedChartWindows.h"
#include "tests/app/FormFixture.h"

namespace vanteo::test {
namespace {

// The built module's own folder (VANTEO_CHART_MODULE_DIR), never an installed one.
TEST(ChartModule, LoadsFromTheFirstFolderThatHoldsItAndOpensItsWindows) {
    QTemporaryDir empty;
    ASSERT_TRUE(empty.isValid());
    ChartModuleLoader loader({empty.path(), QStringLiteral(VANTEO_CHART_MODULE_DIR)});
    ChartWindows* windows = loader.Load();
    ASSERT_NE(windows, nullptr) << loader.Error().toStdString();
    EXPECT_TRUE(loader.Error().isEmpty());
    // The module's own windows, not the ones this test links.
    EXPECT_NE(windows, &LinkedChartWindows());
    EXPECT_EQ(loader.Load(), windows);

    QDialog parent;
    windows->ShowRecovery("N0CALL", "11", &parent);
    const QList<QDialog*> open = parent.findChildren<QDialog*>();
    ASSERT_EQ(open.size(), 1);
    EXPECT_STREQ(open[0]->metaObject()->className(), "vanteo::CRecoveryDlg");
    EXPECT_TRUE(open[0]->isVisible());
    open[0]->close();
}

TEST(ChartModule, AMissingModuleIsReportedOnceAndNotLookedForAgain) {
    QTemporaryDir empty;
    ASSERT_TRUE(empty.isValid());
    ChartModuleLoader loader({empty.path(), empty.filePath(QStringLiteral("nowhere"))});
    EXPECT_EQ(loader.Load(), nullptr);
    const QString error = loader.Error();
    EXPECT_TRUE(error.contains(empty.path())) << error.toStdString();
    EXPECT_EQ(loader.Load(), nullptr);
    EXPECT_EQ(loader.Error(), error);

    ChartModuleLoader nowhere(QStringList{});
    EXPECT_EQ(nowhere.Load(), nullptr);
    EXPECT_FALSE(nowhere.Error().isEmpty());
}

using ChartModuleFormTest = FormTest;

// Without the module the form stays usable and says why neither window opens.
TEST_F(ChartModuleFormTest, TheFormSaysWhenTheModuleIsMissing) {
    QTemporaryDir empty;
    ASSERT_TRUE(empty.isValid());
    ChartModuleLoader missing({empty.path()});
    dlg->UseChartModule(missing);
    Start();
    SetText(1034, QStringLiteral("K1ABC"));
    dlg->findChild<QAbstractButton*>(QStringLiteral("recoveryButton"))->click();
    ASSERT_EQ(prompts.Texts().size(), 1u);
    const std::string prefix = "The flight and recovery windows could not be loaded: ";
    EXPECT_EQ(prompts.Texts()[0].substr(0, prefix.size()), prefix);
    EXPECT_GT(prompts.Texts()[0].size(), prefix.size());
    EXPECT_EQ(prompts.messages[0].icon, MessageIcon::exclamation);
    for (const QDialog* window : dlg->findChildren<QDialog*>()) {
        EXPECT_STRNE(window->metaObject()->className(), "vanteo::CRecoveryDlg");
    }
}

}  // namespace
}  // namespace vanteo::test
