#include "shell/forms/form_captions.h"

#include <algorithm>
#include <exception>
#include <map>

#include <QAbstractButton>
#include <QAction>
#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QStyle>
#include <QStyleOptionButton>
#include <QStyleOptionGroupBox>
#include <QTabBar>
#include <QWidget>

#include "settings/language.h"
#include "shell/forms/dialogs.h"

namespace stakor {

namespace {

// The text as it is drawn: "&" marks an access key and is not shown.
QString Visible(QString text)
{
    text.replace(QStringLiteral("&&"), QStringLiteral("\x01"));
    text.remove(QLatin1Char('&'));
    text.replace(QLatin1Char('\x01'), QLatin1Char('&'));
    return text;
}

int TextWidth(const QWidget* widget, const QString& text)
{
    return widget->fontMetrics().horizontalAdvance(Visible(text));
}

// The width of a check box's or radio button's box and the gap after it.
int IndicatorWidth(const QAbstractButton* button)
{
    QStyleOptionButton option;
    option.initFrom(button);
    const bool radio = qobject_cast<const QRadioButton*>(button) != nullptr;
    const int indicator = button->style()->pixelMetric(
        radio ? QStyle::PM_ExclusiveIndicatorWidth : QStyle::PM_IndicatorWidth, &option, button);
    const int spacing = button->style()->pixelMetric(
        radio ? QStyle::PM_RadioButtonLabelSpacing : QStyle::PM_CheckBoxLabelSpacing, &option, button);
    return indicator + spacing;
}

} // namespace

QString CaptionText(const TLanguage& lang, const TCaptionTarget& target)
{
    if (auto text = lang.FindText(target.Key))
        return FromPack(*text);
    return target.BuiltIn;
}

QString ShownCaption(const TCaptionTarget& target)
{
    QObject* object = target.Target;
    switch (target.Kind) {
    case TCaptionKind::Hint:
        return static_cast<QWidget*>(object)->toolTip();
    case TCaptionKind::Title:
        return static_cast<QWidget*>(object)->windowTitle();
    case TCaptionKind::ListItem: {
        const QListWidgetItem* item = static_cast<QListWidget*>(object)->item(target.Index);
        return item ? item->text() : QString();
    }
    case TCaptionKind::Tab:
        return static_cast<QTabBar*>(object)->tabText(target.Index);
    case TCaptionKind::MenuItem: {
        const QString text = static_cast<QAction*>(object)->text();
        return text.left(text.indexOf(QLatin1Char('\t')) < 0 ? text.size() : text.indexOf(QLatin1Char('\t')));
    }
    case TCaptionKind::Text:
        break;
    }
    if (auto* label = qobject_cast<QLabel*>(object))
        return label->text();
    if (auto* button = qobject_cast<QAbstractButton*>(object))
        return button->text();
    if (auto* group = qobject_cast<QGroupBox*>(object))
        return group->title();
    return QString();
}

void SetCaption(const TCaptionTarget& target, const QString& text)
{
    QObject* object = target.Target;
    switch (target.Kind) {
    case TCaptionKind::Hint:
        static_cast<QWidget*>(object)->setToolTip(text);
        return;
    case TCaptionKind::Title:
        static_cast<QWidget*>(object)->setWindowTitle(text);
        return;
    case TCaptionKind::ListItem:
        if (QListWidgetItem* item = static_cast<QListWidget*>(object)->item(target.Index))
            item->setText(text);
        return;
    case TCaptionKind::Tab:
        static_cast<QTabBar*>(object)->setTabText(target.Index, text);
        return;
    case TCaptionKind::MenuItem: {
        auto* action = static_cast<QAction*>(object);
        const QString shortcut = action->property("shortcutText").toString();
        action->setText(shortcut.isEmpty() ? text : text + QLatin1Char('\t') + shortcut);
        return;
    }
    case TCaptionKind::Text:
        break;
    }
    if (auto* label = qobject_cast<QLabel*>(object))
        label->setText(text);
    else if (auto* button = qobject_cast<QAbstractButton*>(object))
        button->setText(text);
    else if (auto* group = qobject_cast<QGroupBox*>(object))
        group->setTitle(text);
}

void LoadCaptions(const TLanguage& lang, const TCaptionTable& table)
{
    if (!lang.Loaded())
        return;
    for (const TCaptionTarget& target : table)
        SetCaption(target, CaptionText(lang, target));
}

int NeededWidth(const TCaptionTarget& target)
{
    const QString text = ShownCaption(target);
    QObject* object = target.Target;
    switch (target.Kind) {
    case TCaptionKind::Hint:
    case TCaptionKind::Title:
    case TCaptionKind::MenuItem:
        return 0;
    case TCaptionKind::ListItem: {
        auto* list = static_cast<QListWidget*>(object);
        // The list's frame and the item's margins on both sides.
        return TextWidth(list, text) + 2 * list->frameWidth() + 8;
    }
    case TCaptionKind::Tab:
        return 0; // a tab bar sizes its tabs to their texts
    case TCaptionKind::Text:
        break;
    }
    if (auto* label = qobject_cast<QLabel*>(object))
        return TextWidth(label, text) + 2 * label->margin();
    if (auto* push = qobject_cast<QPushButton*>(object))
        return TextWidth(push, text) + 12;
    if (auto* button = qobject_cast<QAbstractButton*>(object))
        return IndicatorWidth(button) + TextWidth(button, text) + 4;
    if (auto* group = qobject_cast<QGroupBox*>(object)) {
        // The title stands inset from the frame's left corner.
        return TextWidth(group, text) + 24;
    }
    return 0;
}

void GrowToFit(QWidget* window, const TCaptionTable& table)
{
    int right = 0;
    for (const TCaptionTarget& target : table) {
        auto* widget = qobject_cast<QWidget*>(target.Target);
        const int needed = NeededWidth(target);
        if (!widget || needed <= widget->width())
            continue;
        auto* label = qobject_cast<QLabel*>(widget);
        if (label && (label->alignment() & Qt::AlignRight)) {
            // A right-aligned line grows to the left, keeping its end.
            const QRect place = widget->geometry();
            widget->setGeometry(place.right() + 1 - needed, place.top(), needed, place.height());
        } else {
            widget->resize(needed, widget->height());
        }
        // A group box grows with its contents, and the window with both.
        for (QWidget* w = widget; w && w != window; w = w->parentWidget())
            if (w->parentWidget() && w->parentWidget() != window) {
                QWidget* parent = w->parentWidget();
                const int parentRight = w->geometry().right() + 8;
                if (parentRight > parent->width())
                    parent->resize(parentRight, parent->height());
            }
        for (QWidget* w = widget; w && w->parentWidget(); w = w->parentWidget())
            if (w->parentWidget() == window)
                right = std::max(right, w->geometry().right() + 8);
    }
    if (right > window->width())
        window->setFixedWidth(right);
}

void LayOutButtonRow(QWidget* window, const std::vector<QPushButton*>& buttons, int top, int gap, bool centred)
{
    constexpr int margin = 6;
    int width = 0;
    for (QPushButton* button : buttons)
        width = std::max({width, button->width(), TextWidth(button, button->text()) + 12});
    const int count = static_cast<int>(buttons.size());
    const int row = count * width + (count - 1) * gap;
    if (row + 2 * margin > window->width())
        window->setFixedWidth(row + 2 * margin);
    int left = centred ? (window->width() - row) / 2 : window->width() - margin - row;
    for (QPushButton* button : buttons) {
        button->setGeometry(left, top, width, button->height());
        left += width + gap;
    }
}

void FitGroupBoxes(QWidget* window)
{
    std::map<int, int> rowShift; // by the top of a row of boxes: how far its contents must go down
    const QList<QGroupBox*> groups = window->findChildren<QGroupBox*>(Qt::FindDirectChildrenOnly);
    for (QGroupBox* group : groups) {
        QStyleOptionGroupBox option;
        option.initFrom(group);
        option.text = group->title();
        option.lineWidth = 1;
        option.subControls = QStyle::SC_GroupBoxFrame | QStyle::SC_GroupBoxLabel;
        option.textAlignment = group->alignment();
        const int contentsTop =
            group->style()->subControlRect(QStyle::CC_GroupBox, &option, QStyle::SC_GroupBoxContents, group).top();
        int highest = group->height();
        for (QWidget* child : group->findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
            highest = std::min(highest, child->y());
        const int shift = std::max(0, contentsTop + 1 - highest);
        rowShift[group->y()] = std::max(rowShift[group->y()], shift);
    }
    int total = 0;
    for (const auto& [top, shift] : rowShift) {
        if (shift == 0)
            continue;
        int rowBottom = 0;
        for (QGroupBox* group : groups)
            if (group->y() == top + total) {
                for (QWidget* child : group->findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
                    child->move(child->x(), child->y() + shift);
                group->resize(group->width(), group->height() + shift);
                rowBottom = std::max(rowBottom, group->geometry().bottom() - shift);
            }
        for (QWidget* child : window->findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
            if (child->y() > rowBottom)
                child->move(child->x(), child->y() + shift);
        total += shift;
    }
    if (total > 0)
        window->setFixedHeight(window->height() + total);
}

void UseDialogFont(QWidget* dialog)
{
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setPixelSize(11);
    dialog->setFont(font);
}

void RunGuarded(const std::function<void()>& handler, const std::function<void(const std::string&)>& showError)
{
    try {
        handler();
    } catch (const std::exception& error) {
        showError(error.what());
    }
}

} // namespace stakor
