#pragma once

#include "station/station_view.h"

#include <string>
#include <vector>

namespace readerlink::station::testing {

class RecordingView : public StationView {
public:
    void appendLogLine(std::u16string_view line) override { log.emplace_back(line); }
    void showStatusLabel(std::u16string_view text) override { statusLabel = text; }
    void showStatusBar(std::u16string_view text) override { statusBar = text; }
    void showErrorLabel(bool visible) override { errorLabel = visible; }
    void showErrorLabelText(std::u16string_view text, LabelColour colour) override {
        errorLabelText = text;
        errorLabelColour = colour;
    }
    void refreshChoices() override { ++refreshes; }
    void showPage(Page page) override { pages.push_back(page); }
    void minimize() override { ++minimizes; }
    void endApplication() override { ended = true; }

    std::vector<std::u16string> log;
    std::u16string statusLabel;
    std::u16string statusBar;
    bool errorLabel = false;
    std::u16string errorLabelText;
    LabelColour errorLabelColour = LabelColour::Red;
    int refreshes = 0;
    std::vector<Page> pages;
    int minimizes = 0;
    bool ended = false;
};

} // namespace readerlink::station::testing
