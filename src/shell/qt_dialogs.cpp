#include "shell/qt_dialogs.h"

#include "common/text.h"
#include "shell/app_identity.h"

#include <QFileDialog>
#include <QInputDialog>
#include <QMessageBox>
#include <iostream>

namespace readerlink::shell {
namespace {

QString qs(std::u16string_view text) {
    return QString::fromUtf16(text.data(), static_cast<qsizetype>(text.size()));
}

} // namespace

void QtDialogs::showMessage(std::u16string_view text) {
    std::cerr << toUtf8(kApplicationTitle) << ": " << toUtf8(text) << std::endl;
    QMessageBox box(QMessageBox::NoIcon, qs(kApplicationTitle), qs(text), QMessageBox::Ok, parent_);
    box.exec();
}

void QtDialogs::showError(std::u16string_view text) {
    std::cerr << toUtf8(kApplicationTitle) << ": error: " << toUtf8(text) << std::endl;
    QMessageBox box(QMessageBox::Critical, qs(kApplicationTitle), qs(text), QMessageBox::Ok,
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

} // namespace readerlink::shell
