#pragma once

// A real window whose settings file lives in a temporary folder, and what
// the tests of the custom commands, the settings and the server share.

#include <QTest>

#include <memory>
#include <string>

#include "support/loopback_port.h"
#include "support/temp_folder.h"
#include "window_fixture.h"

class StationTest : public TWindowTest {
protected:
    // The executable "is" Folder/tarvik, so its settings file is Folder/tarvik.ini.
    [[nodiscard]] TSettingsPlace Place() const
    {
        return TSettingsPlace{Folder.Path("tarvik"), Folder.Path("config"), Folder.Path("home")};
    }
    [[nodiscard]] std::string IniPath() const { return Folder.Path("tarvik.ini"); }

    // A window with `place`, run up to its first showing, settings loaded.
    void Open() { Open(Place()); }
    void Open(const TSettingsPlace& place)
    {
        Form = std::make_unique<TFormTarvik>(Desktop);
        Form->SettingsPlace = place;
        ASSERT_TRUE(QTest::qWaitFor([&] { return Form->isVisible(); }, 5000));
        MarkLog();
    }
    // Destroying the window saves its settings.
    void Close() { Form.reset(); }

    // Goes after the base's TearDown has closed the window, which saves into it.
    TTempFolder Folder;
};
