#pragma once

#include <functional>

#include <QDialog>
#include <QUrl>

#include "shell/forms/form_captions.h"

class QLabel;
class QPushButton;
class QFrame;

namespace stakor {

class TLanguage;

// The about box: icon, name, version, the maker's notice and a link to the
// maker's home page.
class TAboutForm : public QDialog {
    Q_OBJECT

public:
    // openUrl opens an address in the browser.
    TAboutForm(
        const TLanguage& lang, const QIcon& icon, std::function<void(const QUrl&)> openUrl, QWidget* parent = nullptr);

    static constexpr const char* Version = "1.30";

    const TCaptionTable& Captions() const { return CaptionTable; }

    void Label5Click();

    QLabel* Image;
    QLabel* Label1;
    QLabel* Label2;
    QLabel* Label3;
    QLabel* Label4;
    QLabel* Label5;
    QFrame* Bevel;
    QPushButton* OkButton;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    std::function<void(const QUrl&)> OpenUrl;
    TCaptionTable CaptionTable;
};

} // namespace stakor
