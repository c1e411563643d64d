// The About links: the exact addresses, handed over once each, under the
// busy cursor.

#include <gtest/gtest.h>

#include <QTest>

#include <memory>
#include <stdexcept>

#include "controller/tformtarvik.h"
#include "recording_desktop.h"

namespace {

TEST(AboutLinks, EachLabelHandsItsAddressToTheBrowserOnce)
{
    auto desktop = std::make_shared<TRecordingDesktop>();
    TFormTarvik form(desktop);
    ASSERT_TRUE(QTest::qWaitFor([&] { return form.isVisible(); }, 5000));
    form.PageControlTop->SetActivePage(form.TabSheetAbout);
    QApplication::processEvents();

    const std::pair<TLabel*, const char*> cases[] = {
        {form.LabelProducentWebsite, "http://www.morwen.example/index_en.php"},
        {form.LabelCheckVersion, "http://shop.morwen.example/html/tarvik_version.php?lang=en&version=5.6"},
        {form.LabelAboutWebsite, "http://store.morwen.example/tarvik_about.html"},
    };
    for (const auto& [label, url] : cases) {
        desktop->Urls.clear();
        desktop->BusyCursorWhenOpened.clear();
        QTest::mouseClick(label, Qt::LeftButton, {}, label->rect().center());
        ASSERT_EQ(desktop->Urls.size(), 1) << url;
        EXPECT_EQ(desktop->Urls.front().toStdString(), url);
        EXPECT_TRUE(desktop->BusyCursorWhenOpened.front());
        EXPECT_EQ(QApplication::overrideCursor(), nullptr);
        EXPECT_EQ(label->cursor().shape(), Qt::PointingHandCursor);
    }

    // A right click is no link click.
    desktop->Urls.clear();
    QTest::mouseClick(form.LabelAboutWebsite, Qt::RightButton, {}, form.LabelAboutWebsite->rect().center());
    EXPECT_TRUE(desktop->Urls.isEmpty());
}

class TFailingDesktop : public TRecordingDesktop {
public:
    void OpenUrl(const QString&) override { throw std::runtime_error("no browser"); }
};

TEST(AboutLinks, TheCursorComesBackEvenWhenTheHandOverFails)
{
    TFormTarvik form(std::make_shared<TFailingDesktop>());
    EXPECT_THROW(form.OpenInBrowser(QStringLiteral("http://www.morwen.example/")), std::runtime_error);
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
}

} // namespace
