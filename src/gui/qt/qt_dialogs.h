#pragma once

#include "common/dialogs.h"

#include <QPointer>
#include <QWidget>

namespace readerlink::gui {

// Modal boxes on screen, captioned with the application title. Their texts are
// also written to standard error so that a station run from a terminal or a
// service keeps a record of them.
class QtDialogs : public Dialogs {
public:
    explicit QtDialogs(QWidget* parent = nullptr) : parent_(parent) {}
    void setParent(QWidget* parent) { parent_ = parent; }

    void showMessage(std::u16string_view text) override;
    void showError(std::u16string_view text) override;
    std::optional<std::u16string> inputBox(std::u16string_view caption, std::u16string_view prompt,
                                           std::u16string_view initial) override;
    std::optional<std::string> chooseFolder(std::u16string_view title,
                                            const std::string& initial) override;

private:
    QPointer<QWidget> parent_;
};

} // namespace readerlink::gui
