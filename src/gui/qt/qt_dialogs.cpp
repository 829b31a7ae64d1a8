#include "gui/qt/qt_dialogs.h"

#include "gui/qt/qt_text.h"

#include "common/text.h"
#include "station/app_identity.h"

#include <QFileDialog>
#include <QInputDialog>
#include <QMessageBox>
#include <iostream>

namespace readerlink::gui {
void QtDialogs::showMessage(std::u16string_view text) {
    std::cerr << toUtf8(station::kApplicationTitle) << ": " << toUtf8(text) << std::endl;
    QMessageBox box(QMessageBox::NoIcon, qs(station::kApplicationTitle), qs(text), QMessageBox::Ok, parent_);
    box.exec();
}

void QtDialogs::showError(std::u16string_view text) {
    std::cerr << toUtf8(station::kApplicationTitle) << ": error: " << toUtf8(text) << std::endl;
    QMessageBox box(QMessageBox::Critical, qs(station::kApplicationTitle), qs(text), QMessageBox::Ok,
                    parent_);
    box.exec();
}

std::optional<std::u16string> QtDialogs::inputBox(std::u16string_view caption,
                                                  std::u16string_view prompt,
                                                  std::u16string_view initial) {
    bool ok = false;
    const QString text = QInputDialog::getText(parent_, qs(caption), qs(prompt), QLineEdit::Normal,
                                               qs(initial), &ok);
    if (!ok)
        return std::nullopt;
    return text.toStdU16String();
}

std::optional<std::string> QtDialogs::chooseFolder(std::u16string_view title,
                                                   const std::string& initial) {
    const QString dir =
        QFileDialog::getExistingDirectory(parent_, qs(title), QString::fromStdString(initial));
    if (dir.isEmpty())
        return std::nullopt;
    return dir.toStdString();
}

} // namespace readerlink::gui
