#include "shell/forms/about_form.h"

#include <algorithm>

#include <QFrame>
#include <QIcon>
#include <QKeyEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QPushButton>

#include "shell/desktop/site.h"
#include "shell/forms/dialogs.h"

namespace stakor {

TAboutForm::TAboutForm(
    const TLanguage& lang, const QIcon& icon, std::function<void(const QUrl&)> openUrl, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint), OpenUrl(std::move(openUrl))
{
    setObjectName(QStringLiteral("TAboutForm"));
    setWindowTitle(QStringLiteral("About Vexamo Stakor"));
    resize(230, 175);
    UseDialogFont(this);

    Image = new QLabel(this);
    Image->setGeometry(8, 8, 32, 32);
    Image->setPixmap(icon.pixmap(32, 32));

    Label1 = new QLabel(QStringLiteral("Vexamo Stakor"), this);
    QFont nameFont(QStringLiteral("Arial"));
    nameFont.setPixelSize(24);
    nameFont.setBold(true);
    nameFont.setItalic(true);
    Label1->setFont(nameFont);
    QPalette navy = Label1->palette();
    navy.setColor(QPalette::WindowText, QColor(0, 0, 128));
    Label1->setPalette(navy);
    Label1->setGeometry(48, 10, std::max(170, Label1->sizeHint().width()), std::max(28, Label1->sizeHint().height()));

    Label2 = new QLabel(QStringLiteral("Version"), this);
    Label2->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    Label2->setGeometry(69, 40, 152, 16);

    Label3 = new QLabel(QStringLiteral("Copyright (C) 2026 Orvelan Games."), this);
    Label4 = new QLabel(QStringLiteral("Free to play; made with care."), this);
    Label5 = new QLabel(QStringLiteral("Internet"), this);
    QPalette blue = Label5->palette();
    blue.setColor(QPalette::WindowText, QColor(0, 0, 255));
    Label5->setPalette(blue);
    Label5->setCursor(Qt::PointingHandCursor);
    Label5->installEventFilter(this);

    Bevel = new QFrame(this);
    Bevel->setFrameShape(QFrame::HLine);
    Bevel->setFrameShadow(QFrame::Sunken);

    OkButton = new QPushButton(QStringLiteral("Ok"), this);
    OkButton->setDefault(true);
    connect(OkButton, &QPushButton::clicked, this, &QDialog::accept);
    for (QWidget* unfocused :
        {static_cast<QWidget*>(Image), static_cast<QWidget*>(Label1), static_cast<QWidget*>(Label2),
            static_cast<QWidget*>(Label3), static_cast<QWidget*>(Label4), static_cast<QWidget*>(Label5)})
        unfocused->setFocusPolicy(Qt::NoFocus);

    CaptionTable = {
        {"AbFC", QStringLiteral("About Vexamo Stakor"), this, TCaptionKind::Title},
        {"AbFL1", QStringLiteral("Version"), Label2},
        {"AbFL2", QStringLiteral("Internet"), Label5},
    };
    LoadCaptions(lang, CaptionTable);
    // Behind the pack's texts, so every language shows the same number and address.
    Label2->setText(Label2->text() + QStringLiteral("  ") + QString::fromLatin1(Version));
    Label5->setText(Label5->text() + QStringLiteral(": ") + HomePageUrl().toString() + QLatin1Char(' '));

    // The lines take the height of their font; the rule and Ok follow below them.
    const int line = fontMetrics().height() + 2;
    Label2->setGeometry(Label2->x(), std::max(40, Label1->geometry().bottom() + 1), Label2->width(), line);
    const int notice = std::max(60, Label2->geometry().bottom() + 4);
    Label3->setGeometry(8, notice, Label3->sizeHint().width(), line);
    Label4->setGeometry(8, notice + line, Label4->sizeHint().width(), line);
    Label5->setGeometry(8, notice + 2 * line, Label5->sizeHint().width(), line);
    const int ruleTop = Label5->geometry().bottom() + 8;
    int width = 230;
    for (QLabel* label : {Label1, Label3, Label4, Label5})
        width = std::max(width, label->x() + label->sizeHint().width() + 8);
    const int textWidth = fontMetrics().horizontalAdvance(Label2->text()) + 4;
    if (textWidth > Label2->width())
        Label2->setGeometry(Label2->geometry().right() + 1 - textWidth, Label2->y(), textWidth, Label2->height());
    // The title bar shows the whole caption, in every language.
    width = std::max(width, TitleFitWidth(windowTitle()));
    const int height = std::max(175, ruleTop + 2 + 36 + 24 + 5);
    setFixedSize(width, height);
    // The rule stretches with the width; Ok keeps its distance to the corner.
    Bevel->setGeometry(7, ruleTop, width - 14, 2);
    OkButton->setGeometry(width - 78, height - 29, 72, 24);
    // The version line stays at the right edge.
    Label2->move(width - 9 - Label2->width(), Label2->y());
}

void TAboutForm::Label5Click()
{
    if (OpenUrl)
        OpenUrl(HomePageUrl());
}

bool TAboutForm::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == Label5 && event->type() == QEvent::MouseButtonRelease &&
        static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) {
        Label5Click();
        return true;
    }
    return QDialog::eventFilter(watched, event);
}

void TAboutForm::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Escape) {
        reject();
        return;
    }
    QDialog::keyPressEvent(event);
}

} // namespace stakor
