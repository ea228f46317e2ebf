#pragma once

#include "app/App.h"
#include "tests/core/CoreFixture.h"
#include "ui/Elements.h"

namespace zaffo::testing {

// Each element drawn on a row of its own, trailing blanks cut; with `markBold`, a bold row begins with '*'.
inline Rows renderRows(const std::vector<ui::Element>& lines, bool markBold = false) {
    Rows rows;
    for (const ui::Element& line : lines) {
        ui::Screen screen(120, 1);
        ui::Render(screen, line);
        std::string row = screen.toString();
        row.erase(row.find_last_not_of(' ') + 1);
        rows.push_back(markBold && screen.at(0, 0).bold ? "*" + row : row);
    }
    return rows;
}

// The interactive program on the pack folder once started, without its terminal.
class AppTest : public PackFolderTest {
protected:
    App& start() {
        app = std::make_unique<App>(base);
        return *app;
    }
    CommandAnswer run(const std::string& line) { return app->commands().run(line); }

    std::unique_ptr<App> app;
};

}  // namespace zaffo::testing
