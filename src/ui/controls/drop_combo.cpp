#include "ui/controls/drop_combo.h"

#include <QApplication>
#include <QFocusEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>
#include <QStyle>
#include <QStyleOptionButton>
#include <QStyleOptionFrame>
#include <QToolTip>
#include <QWheelEvent>

#include <algorithm>

#include "ui/controls/accessible_controls.h"
#include "ui/controls/shortened_text.h"

namespace torv {

namespace {

bool IsPrintable(QChar key)
{
    return key.unicode() >= 32 && key.unicode() != 127;
}

}  // namespace

// ---------------------------------------------------------------------------
// TCustomTextEdit

TCustomTextEdit::TCustomTextEdit(QWidget* parent) : QLineEdit(parent)
{
    // paintEvent draws the frame, so that the style adds no focus look of its own.
    setFrame(false);
    setTextMargins(kBorderWidth, kBorderWidth, kBorderWidth, kBorderWidth);
}

void TCustomTextEdit::SetColorFocus(const QColor& color)
{
    colorFocus_ = color;
    update();
}

QRect TCustomTextEdit::InnerRect() const
{
    return rect().adjusted(kBorderWidth, kBorderWidth, -kBorderWidth, -kBorderWidth);
}

void TCustomTextEdit::paintEvent(QPaintEvent* event)
{
    QLineEdit::paintEvent(event);
    QPainter painter(this);
    // The style's sunken edit frame, without its own focus look: the focus frame is ours.
    QStyleOptionFrame frame;
    initStyleOption(&frame);
    frame.rect = rect();
    frame.lineWidth = kBorderWidth;
    frame.state &= ~QStyle::State_HasFocus;
    frame.state |= QStyle::State_Sunken;
    style()->drawPrimitive(QStyle::PE_FrameLineEdit, &frame, &painter, this);
    if (hasFocus()) {
        painter.setPen(colorFocus_);
        painter.drawRect(InnerRect().adjusted(0, 0, -1, -1));
    }
}

// ---------------------------------------------------------------------------
// TDropListBox

TDropListBox::TDropListBox(TCustomDropCombo* combo, QWidget* window)
    : QWidget(window), combo_(combo), scrollBar_(new QScrollBar(Qt::Vertical, this))
{
    setFocusPolicy(Qt::NoFocus);
    setMouseTracking(true);
    setAttribute(Qt::WA_OpaquePaintEvent);
    scrollBar_->setFocusPolicy(Qt::NoFocus);
    connect(scrollBar_, &QScrollBar::valueChanged, this, &TDropListBox::SetTopIndex);
    hide();
}

int TDropListBox::ItemCount() const
{
    return combo_->ItemCount();
}

int TDropListBox::VisibleRows() const
{
    return std::max(1, (height() - 2 * kBorderWidth) / combo_->List().ItemHeight);
}

QRect TDropListBox::ItemsRect() const
{
    QRect items = rect().adjusted(kBorderWidth, kBorderWidth, -kBorderWidth, -kBorderWidth);
    if (scrollBar_->isVisible())
        items.setRight(scrollBar_->geometry().left() - 1);
    return items;
}

void TDropListBox::Open(const QRect& geometry, int highlight)
{
    setFont(combo_->font());
    setGeometry(geometry);
    const int rows = VisibleRows();
    const int hidden = std::max(0, ItemCount() - rows);
    const int barWidth = style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, scrollBar_);
    scrollBar_->setGeometry(width() - kBorderWidth - barWidth, kBorderWidth, barWidth, height() - 2 * kBorderWidth);
    scrollBar_->setRange(0, hidden);
    scrollBar_->setPageStep(rows);
    scrollBar_->setVisible(hidden > 0);
    SetTopIndex(0);
    highlight_ = -1;
    if (highlight >= 0)
        SetHighlight(highlight);
    raise();
    show();
}

void TDropListBox::SetHighlight(int index)
{
    if (ItemCount() == 0)
        return;
    highlight_ = std::clamp(index, 0, ItemCount() - 1);
    const int rows = VisibleRows();
    if (highlight_ < topIndex_)
        SetTopIndex(highlight_);
    else if (highlight_ >= topIndex_ + rows)
        SetTopIndex(highlight_ - rows + 1);
    update();
}

void TDropListBox::SetTopIndex(int index)
{
    const int top = std::clamp(index, 0, std::max(0, ItemCount() - VisibleRows()));
    if (top != topIndex_) {
        topIndex_ = top;
        update();
    }
    scrollBar_->setValue(top);
}

bool TDropListBox::event(QEvent* event)
{
    if (event->type() != QEvent::ToolTip)
        return QWidget::event(event);
    const auto* help = static_cast<QHelpEvent*>(event);
    const QString tip = combo_->ItemToolTip(ItemAt(help->pos()));
    if (tip.isEmpty())
        QToolTip::hideText();
    else
        QToolTip::showText(help->globalPos(), tip, this);
    return true;
}

int TDropListBox::ItemAt(QPoint pos) const
{
    const QRect items = ItemsRect();
    if (!items.contains(pos))
        return -1;
    const int index = topIndex_ + (pos.y() - items.top()) / combo_->List().ItemHeight;
    return index < ItemCount() ? index : -1;
}

void TDropListBox::paintEvent(QPaintEvent* /*event*/)
{
    QPainter painter(this);
    const TDropListValues& values = combo_->List();
    painter.fillRect(rect(), values.Color);
    painter.setPen(palette().color(QPalette::Shadow));
    painter.drawRect(rect().adjusted(0, 0, -1, -1));

    const QRect items = ItemsRect();
    painter.setClipRect(items);
    constexpr int kTextIndent = 2;
    const QColor textColor = palette().color(QPalette::Text);
    for (int row = 0; row < VisibleRows() && topIndex_ + row < ItemCount(); ++row) {
        const int index = topIndex_ + row;
        const QRect item(items.left(), items.top() + row * values.ItemHeight, items.width(), values.ItemHeight);
        if (index == highlight_)
            painter.fillRect(item, values.ColorSelBG);
        painter.setPen(index == highlight_ ? values.ColorSel : textColor);
        const QRect textRect = item.adjusted(kTextIndent, 0, -kTextIndent, 0);
        painter.drawText(textRect, Qt::AlignLeft | Qt::AlignVCenter,
                         fontMetrics().elidedText(combo_->Item(index), Qt::ElideRight, textRect.width()));
    }
}

void TDropListBox::mousePressEvent(QMouseEvent* event)
{
    const int index = ItemAt(event->position().toPoint());
    if (event->button() == Qt::LeftButton && index >= 0)
        SetHighlight(index);
}

void TDropListBox::mouseMoveEvent(QMouseEvent* event)
{
    const int index = ItemAt(event->position().toPoint());
    if (index >= 0 && index != highlight_)
        SetHighlight(index);
}

void TDropListBox::mouseReleaseEvent(QMouseEvent* event)
{
    const int index = ItemAt(event->position().toPoint());
    if (event->button() == Qt::LeftButton && index >= 0) {
        SetHighlight(index);
        combo_->CloseUp(true);
    }
}

void TDropListBox::wheelEvent(QWheelEvent* event)
{
    constexpr int kNotch = 120;
    const int notches = event->angleDelta().y() / kNotch;
    SetTopIndex(topIndex_ - notches);
}

// ---------------------------------------------------------------------------
// TCustomDropCombo

TCustomDropCombo::TCustomDropCombo(QWidget* parent) : TCustomTextEdit(parent)
{
    InstallAccessibleControls();
    // Shows the selected item only; the keys and the mouse are handled here.
    setReadOnly(true);
    setContextMenuPolicy(Qt::NoContextMenu);
    setCursor(Qt::ArrowCursor);
    UpdateTextMargins();
}

TCustomDropCombo::~TCustomDropCombo()
{
    qApp->removeEventFilter(this);
    delete listBox_.data();
}

void TCustomDropCombo::AddItem(const QString& item)
{
    items_.append(item);
    toolTips_.append(QString());
}

void TCustomDropCombo::ClearItems()
{
    CloseUp(false);
    items_.clear();
    toolTips_.clear();
    remembered_ = 0;
    Select(-1);
}

void TCustomDropCombo::SetItems(const QStringList& items, const QStringList& toolTips)
{
    CloseUp(false);
    const QString shown = shownItem_;
    items_ = items;
    toolTips_ = toolTips;
    toolTips_.resize(items_.size());
    const int kept = static_cast<int>(items_.indexOf(shown));
    remembered_ = 0;
    Select(kept >= 0 ? kept : (items_.isEmpty() ? -1 : 0));
}

void TCustomDropCombo::SetItemIndex(int index)
{
    if (index < -1 || index >= ItemCount())
        return;
    CloseUp(false);
    Select(index);
}

void TCustomDropCombo::Select(int index)
{
    selected_ = index;
    cursor_ = index;
    const QString item = index >= 0 ? items_[index] : QString();
    const bool changed = item != shownItem_;
    shownItem_ = item;
    UpdateShownText();
    if (changed)
        Change();
}

void TCustomDropCombo::UpdateShownText()
{
    // The edit keeps a small margin of its own inside the text margins.
    constexpr int kEditMargin = 2;
    const QMargins margins = textMargins();
    const int room = width() - margins.left() - margins.right() - 2 * kEditMargin;
    const QString shown = ShortenedText(shownItem_, fontMetrics(), room);
    setText(shown);
    setCursorPosition(0);
    // Shortened, the whole text comes first in the tooltip, before the item's own.
    const QString identity = ItemToolTip(selected_);
    if (shown == shownItem_ || shownItem_.isEmpty())
        setToolTip(identity);
    else
        setToolTip(identity.isEmpty() ? shownItem_ : shownItem_ + u'\n' + identity);
}

void TCustomDropCombo::SetShowButton(bool show)
{
    showButton_ = show;
    UpdateTextMargins();
    UpdateShownText();
    update();
}

bool TCustomDropCombo::DroppedDown() const
{
    return listBox_ && listBox_->isVisible();
}

void TCustomDropCombo::DropDown()
{
    QWidget* host = window();
    if (DroppedDown() || !isEnabled() || host == this)
        return;
    BeforeDropDown();
    if (items_.isEmpty())
        return;
    if (!listBox_)
        listBox_ = new TDropListBox(this, host);
    listBox_->setAccessibleName(accessibleName());  // a reader names the list as its field
    remembered_ = selected_;
    listBox_->Open(ListGeometry(), static_cast<int>(items_.indexOf(shownItem_)));
    // Any press outside the field and the list closes the list.
    qApp->installEventFilter(this);
    update();
}

void TCustomDropCombo::CloseUp(bool take)
{
    if (!DroppedDown())
        return;
    qApp->removeEventFilter(this);
    const int highlight = listBox_->Highlight();
    listBox_->hide();
    Select(take && highlight >= 0 ? highlight : remembered_);
    update();
}

QRect TCustomDropCombo::ListGeometry() const
{
    const QWidget* host = window();
    const QRect field(mapTo(host, QPoint(0, 0)), size());
    const int border = TDropListBox::kBorderWidth;
    const int itemHeight = std::max(1, list_.ItemHeight);
    const int wanted = std::clamp((list_.Height - 2 * border) / itemHeight, 1, ItemCount());
    const int roomBelow = host->height() - field.bottom() - 1;
    const int roomAbove = field.top();
    auto fits = [&](int room) { return wanted * itemHeight + 2 * border <= room; };

    bool below = list_.PopupAt == TPopupAt::cbBelow;
    if (!fits(below ? roomBelow : roomAbove))
        below = fits(below ? roomAbove : roomBelow) ? !below : roomBelow > roomAbove;
    const int room = below ? roomBelow : roomAbove;
    const int rows = std::clamp((room - 2 * border) / itemHeight, 1, wanted);
    const int height = rows * itemHeight + 2 * border;
    const int left = std::clamp(field.left(), 0, std::max(0, host->width() - list_.Width));
    return QRect(left, below ? field.bottom() + 1 : field.top() - height, list_.Width, height);
}

bool TCustomDropCombo::IsDropKey(const QKeyEvent* event) const
{
    const Qt::KeyboardModifiers modifiers = event->modifiers();
    if (dropDownOn_.testFlag(TDropDownOnItem::DropSpaceKey) && event->key() == Qt::Key_Space &&
        !(modifiers & (Qt::ControlModifier | Qt::AltModifier)))
        return true;
    return dropDownOn_.testFlag(TDropDownOnItem::DropAltArrowKey) && (modifiers & Qt::AltModifier) &&
           (event->key() == Qt::Key_Up || event->key() == Qt::Key_Down);
}

void TCustomDropCombo::keyPressEvent(QKeyEvent* event)
{
    if (DroppedDown())
        HandleOpenListKey(event);
    else
        HandleClosedListKey(event);
}

// With the list closed, Up selects the next item and Down the previous one.
void TCustomDropCombo::HandleClosedListKey(QKeyEvent* event)
{
    if (IsDropKey(event)) {
        DropDown();
        return;
    }
    switch (event->key()) {
    case Qt::Key_Up:
        if (cursor_ + 1 < ItemCount())
            Select(cursor_ + 1);
        return;
    case Qt::Key_Down:
        if (cursor_ > 0)
            Select(cursor_ - 1);
        return;
    case Qt::Key_Home:
        if (ItemCount() > 0)
            Select(0);
        return;
    case Qt::Key_End:
        if (ItemCount() > 0)
            Select(ItemCount() - 1);
        return;
    case Qt::Key_PageUp:
    case Qt::Key_PageDown: return;
    case Qt::Key_Return:
    case Qt::Key_Enter:
    case Qt::Key_Escape:
        event->ignore();  // the window's to handle
        return;
    default: break;
    }
    const QString text = event->text();
    if (text.size() == 1 && IsPrintable(text.front()) &&
        !(event->modifiers() & (Qt::ControlModifier | Qt::AltModifier))) {
        TypeAhead(text.front());
        return;
    }
    TCustomTextEdit::keyPressEvent(event);
}

// With the list open, the keys move the highlight as in any list (Up towards the first item).
void TCustomDropCombo::HandleOpenListKey(QKeyEvent* event)
{
    if (IsDropKey(event)) {
        CloseUp(false);
        return;
    }
    TDropListBox* box = listBox_;
    const int highlight = box->Highlight();
    const int page = std::max(1, box->VisibleRows() - 1);
    switch (event->key()) {
    case Qt::Key_Up: box->SetHighlight(highlight - 1); return;
    case Qt::Key_Down: box->SetHighlight(highlight + 1); return;
    case Qt::Key_PageUp: box->SetHighlight(highlight - page); return;
    case Qt::Key_PageDown: box->SetHighlight(highlight + page); return;
    case Qt::Key_Home: box->SetHighlight(0); return;
    case Qt::Key_End: box->SetHighlight(ItemCount() - 1); return;
    case Qt::Key_Return:
    case Qt::Key_Enter:
        if (event->modifiers() & Qt::ControlModifier)
            event->ignore();
        else
            CloseUp(true);
        return;
    case Qt::Key_Escape: CloseUp(false); return;
    default: break;
    }
    const QString text = event->text();
    if (text.size() == 1 && IsPrintable(text.front())) {
        const int found = FindByFirstLetter(text.front().toUpper(), highlight);
        if (found >= 0)
            box->SetHighlight(found);
    }
}

int TCustomDropCombo::FindByFirstLetter(QChar letter, int from) const
{
    const int count = ItemCount();
    for (int step = 1; step < count + (from < 0 ? 1 : 0); ++step) {
        const int index = (from + step) % count;
        if (!items_[index].isEmpty() && items_[index].front().toUpper() == letter)
            return index;
    }
    return -1;
}

// Selects the next item, after the current one and wrapping to the start, that
// begins with the typed letter. With none, the field keeps its text, and Up and
// Down move on from the selection remembered when the list was last opened.
void TCustomDropCombo::TypeAhead(QChar key)
{
    const int found = FindByFirstLetter(key.toUpper(), cursor_);
    if (found >= 0)
        Select(found);
    else
        cursor_ = remembered_;
}

void TCustomDropCombo::mousePressEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton) {
        // The focus this press may have brought stays; the next left click is on a focused field.
        focusedByThisClick_ = false;
        return;
    }
    // A click on the field that only brought the focus opens nothing; a click on the
    // button, or on the field that already had the focus, opens or closes the list.
    const bool onButton = showButton_ && ButtonRect().contains(event->position().toPoint());
    const bool onlyFocuses = focusedByThisClick_ && !onButton;
    focusedByThisClick_ = false;
    if (onlyFocuses)
        return;
    if (DroppedDown())
        CloseUp(false);
    else
        DropDown();
}

// No text selection by the mouse, and a double click is just the first click.
void TCustomDropCombo::mouseMoveEvent(QMouseEvent* /*event*/) {}
void TCustomDropCombo::mouseReleaseEvent(QMouseEvent* /*event*/) {}
void TCustomDropCombo::mouseDoubleClickEvent(QMouseEvent* /*event*/) {}

void TCustomDropCombo::focusInEvent(QFocusEvent* event)
{
    TCustomTextEdit::focusInEvent(event);
    deselect();
    focusedByThisClick_ = event->reason() == Qt::MouseFocusReason;
    if (dropDownOn_.testFlag(TDropDownOnItem::DropGetFocus))
        DropDown();
}

void TCustomDropCombo::focusOutEvent(QFocusEvent* event)
{
    TCustomTextEdit::focusOutEvent(event);
    focusedByThisClick_ = false;
    CloseUp(false);
}

void TCustomDropCombo::hideEvent(QHideEvent* event)
{
    CloseUp(false);
    TCustomTextEdit::hideEvent(event);
}

void TCustomDropCombo::changeEvent(QEvent* event)
{
    if (event->type() == QEvent::EnabledChange && !isEnabled())
        CloseUp(false);
    TCustomTextEdit::changeEvent(event);
    if (event->type() == QEvent::FontChange)
        UpdateShownText();
}

bool TCustomDropCombo::eventFilter(QObject* watched, QEvent* event)
{
    const bool press = event->type() == QEvent::MouseButtonPress || event->type() == QEvent::MouseButtonDblClick;
    if (press && DroppedDown()) {
        auto* widget = qobject_cast<QWidget*>(watched);
        if (widget && widget != this && widget != listBox_ && !listBox_->isAncestorOf(widget))
            CloseUp(false);
    }
    return TCustomTextEdit::eventFilter(watched, event);
}

QRect TCustomDropCombo::ButtonRect() const
{
    const QRect inside = InnerRect().adjusted(1, 1, -1, -1);  // inside the focus frame
    const int width = style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, this);
    return QRect(inside.right() - width + 1, inside.top(), width, inside.height());
}

void TCustomDropCombo::UpdateTextMargins()
{
    const int button = showButton_ ? ButtonRect().width() + 1 : 0;
    setTextMargins(kBorderWidth, kBorderWidth, kBorderWidth + button, kBorderWidth);
}

void TCustomDropCombo::resizeEvent(QResizeEvent* event)
{
    TCustomTextEdit::resizeEvent(event);
    UpdateTextMargins();
    UpdateShownText();
}

void TCustomDropCombo::paintEvent(QPaintEvent* event)
{
    TCustomTextEdit::paintEvent(event);
    if (!showButton_)
        return;
    QPainter painter(this);
    QStyleOptionButton button;
    button.initFrom(this);
    button.rect = ButtonRect();
    button.state &= ~QStyle::State_HasFocus;
    button.state |= DroppedDown() ? QStyle::State_Sunken : QStyle::State_Raised;
    style()->drawPrimitive(QStyle::PE_PanelButtonCommand, &button, &painter, this);
    button.rect = button.rect.adjusted(3, 3, -3, -3);
    style()->drawPrimitive(QStyle::PE_IndicatorArrowDown, &button, &painter, this);
}

}  // namespace torv
