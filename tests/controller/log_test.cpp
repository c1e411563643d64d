// The message log: appending, the cleaner's trimming and scrolling, and the
// newest line shown when the operator opens the messages page.

#include <gtest/gtest.h>

#include <QScrollBar>
#include <QTabBar>
#include <QTest>

#include <memory>

#include "controller/log_rules.h"
#include "controller/tformtarvik.h"
#include "recording_desktop.h"

namespace {

// A window past its first tick, so the settings it restores there change
// nothing under the test.
std::unique_ptr<TFormTarvik> MakeWindow()
{
    auto form = std::make_unique<TFormTarvik>(std::make_shared<TRecordingDesktop>());
    EXPECT_TRUE(QTest::qWaitFor([&] { return form->isVisible(); }, 5000));
    return form;
}

void AddLines(TFormTarvik& form, int count)
{
    for (int i = 0; i < count; ++i)
        form.LogLine(QStringLiteral("line %1").arg(i));
}

TEST(MemoTrimming, DropsFiveHundredOnlyPastAThousand)
{
    const std::pair<int, int> cases[] = {{0, 0}, {1, 0}, {999, 0}, {1000, 0}, {1001, 500}, {1600, 500}, {100000, 500}};
    for (const auto& [lines, dropped] : cases)
        EXPECT_EQ(MemoLinesToDrop(lines), dropped) << lines;
}

TEST(MessageLog, LinesAreKeptInOrderIncludingEmptyOnes)
{
    auto form = MakeWindow();
    form->Memo->SetLines({});
    form->LogLine("");
    form->LogLine("Connecting....");
    form->LogLine(QString::fromLatin1("\xE9t\xE9"));
    ASSERT_EQ(form->Memo->Count(), 3);
    EXPECT_EQ(form->Memo->Lines(), (QStringList{"", "Connecting....", QString::fromLatin1("\xE9t\xE9")}));
}

TEST(MessageLog, CleanerKeepsAThousandAndCutsBackByFiveHundred)
{
    struct TCase {
        int Lines;
        std::vector<int> AfterTicks;
    };
    const TCase cases[] = {
        {1000, {1000}},
        {1001, {501}},
        {1600, {1100, 600, 600}},
    };
    for (const TCase& test : cases) {
        auto form = MakeWindow();
        form->Memo->SetLines({});
        AddLines(*form, test.Lines);
        for (const int remaining : test.AfterTicks) {
            form->TimerMemoCleanerTimer();
            ASSERT_EQ(form->Memo->Count(), remaining) << test.Lines;
            // The newest lines stay, the oldest go.
            EXPECT_EQ(form->Memo->Line(0), QStringLiteral("line %1").arg(test.Lines - remaining));
            EXPECT_EQ(form->Memo->Line(remaining - 1), QStringLiteral("line %1").arg(test.Lines - 1));
        }
    }
}

TEST(MessageLog, CleanerBringsTheNewestLineBackIntoView)
{
    auto form = MakeWindow();
    form->PageControlBottom->SetActivePage(form->TabSheetMessages);
    AddLines(*form, 300);
    QApplication::processEvents();
    QScrollBar* scroll = form->Memo->verticalScrollBar();
    ASSERT_GT(scroll->maximum(), 0);
    scroll->setValue(0);
    form->TimerMemoCleanerTimer();
    EXPECT_EQ(scroll->value(), scroll->maximum());
}

TEST(MessageLog, OpeningTheMessagesPageByHandShowsTheNewestLine)
{
    auto form = MakeWindow();
    AddLines(*form, 300);
    form->PageControlBottom->SetActivePage(form->TabSheetMessages);
    QApplication::processEvents();
    form->Memo->moveCursor(QTextCursor::Start);
    form->Memo->verticalScrollBar()->setValue(0);
    form->PageControlBottom->SetActivePage(form->TabSheetSettings);

    QTabBar* bar = form->PageControlBottom->tabBar();
    QTest::mouseClick(bar, Qt::LeftButton, {}, bar->tabRect(form->PageControlBottom->indexOf(form->TabSheetMessages)).center());
    ASSERT_EQ(form->PageControlBottom->ActivePage(), form->TabSheetMessages);
    QApplication::processEvents();
    EXPECT_TRUE(form->Memo->textCursor().atEnd());
    QScrollBar* scroll = form->Memo->verticalScrollBar();
    EXPECT_EQ(scroll->value(), scroll->maximum());
    EXPECT_GT(scroll->maximum(), 0);
}

TEST(MessageLog, BringingTheLogToTheFrontFromCodeLeavesTheCaret)
{
    auto form = MakeWindow();
    AddLines(*form, 50);
    form->Memo->moveCursor(QTextCursor::Start);
    form->ShowMessagesPage();
    EXPECT_EQ(form->PageControlBottom->ActivePage(), form->TabSheetMessages);
    EXPECT_EQ(form->Memo->textCursor().position(), 0);
}

} // namespace
