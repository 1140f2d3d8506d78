#pragma once
// The port drop-down list: a field that shows the chosen item and cannot be typed
// into, with a drop button and a list that drops down inside the top-level window.

#include <QColor>
#include <QFlags>
#include <QLineEdit>
#include <QPointer>
#include <QStringList>
#include <QWidget>

class QScrollBar;

namespace torv {

// A single-line edit with the style's sunken border and, while it has the focus,
// a one-pixel frame in ColorFocus just inside the border instead of the style's focus look.
class TCustomTextEdit : public QLineEdit {
    Q_OBJECT
public:
    explicit TCustomTextEdit(QWidget* parent);

    QColor ColorFocus() const { return colorFocus_; }
    void SetColorFocus(const QColor& color);

    // Width of the sunken border on each side.
    static constexpr int kBorderWidth = 2;
    // The area inside the border.
    QRect InnerRect() const;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QColor colorFocus_ = QColor(128, 128, 128);
};

enum class TPopupAt { cbBelow, cbAbove };

enum class TDropDownOnItem { DropGetFocus = 0x1, DropAltArrowKey = 0x2, DropSpaceKey = 0x4 };
using TDropDownOn = QFlags<TDropDownOnItem>;
Q_DECLARE_OPERATORS_FOR_FLAGS(TDropDownOn)

// Look and size of the dropped list. The defaults are the port list's values.
struct TDropListValues {
    QColor Color = QColor(232, 232, 232);       // background
    QColor ColorSelBG = QColor(200, 200, 200);  // background of the highlighted item
    QColor ColorSel = QColor(0, 0, 128);        // text of the highlighted item
    int Height = 100;                           // greatest height, pixels
    int ItemHeight = 18;
    int Width = 136;
    TPopupAt PopupAt = TPopupAt::cbBelow;  // preferred side
};

class TCustomDropCombo;

// The dropped list, a child of the combo's top-level window drawn over its siblings.
// It shows the combo's items and a highlight; it never takes the keyboard focus.
class TDropListBox : public QWidget {
    Q_OBJECT
public:
    TDropListBox(TCustomDropCombo* combo, QWidget* window);

    // Shows the list with the given geometry and highlighted item.
    void Open(const QRect& geometry, int highlight);

    int Highlight() const { return highlight_; }
    // Moves the highlight (clamped to the items) and scrolls it into view.
    void SetHighlight(int index);
    int TopIndex() const { return topIndex_; }
    int VisibleRows() const;
    // The item under a point in list coordinates, -1 for none.
    int ItemAt(QPoint pos) const;

    static constexpr int kBorderWidth = 1;

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    bool event(QEvent* event) override;

private:
    void SetTopIndex(int index);
    int ItemCount() const;
    QRect ItemsRect() const;

    TCustomDropCombo* combo_;
    QScrollBar* scrollBar_;
    int highlight_ = -1;
    int topIndex_ = 0;
};

// A drop-down list field: the text is the selected item's; keys and the mouse
// change the selection or open the list (see keyPressEvent for the keys).
class TCustomDropCombo : public TCustomTextEdit {
    Q_OBJECT
public:
    explicit TCustomDropCombo(QWidget* parent);
    ~TCustomDropCombo() override;

    void AddItem(const QString& item);
    void ClearItems();
    // Replaces the items and their tooltips; the shown item stays chosen while it is among
    // them, else the first is chosen.
    void SetItems(const QStringList& items, const QStringList& toolTips);
    QString ItemToolTip(int index) const { return toolTips_.value(index); }
    int ItemCount() const { return static_cast<int>(items_.size()); }
    QString Item(int index) const { return items_.value(index); }
    const QStringList& Items() const { return items_; }

    // Index of the shown item, -1 for none.
    int ItemIndex() const { return selected_; }
    // Selects the item and shows its text; -1 clears the field; other indexes are ignored.
    void SetItemIndex(int index);
    // The shown item's whole text; the field shows it shortened when it is too long for it.
    QString Text() const { return shownItem_; }

    TDropListValues& List() { return list_; }
    const TDropListValues& List() const { return list_; }
    TDropDownOn DropDownOn() const { return dropDownOn_; }
    void SetDropDownOn(TDropDownOn on) { dropDownOn_ = on; }
    bool ShowButton() const { return showButton_; }
    void SetShowButton(bool show);

    bool DroppedDown() const;
    // Opens the list (nothing happens with no items).
    void DropDown();
    // Closes the list; with take the highlighted item becomes the selection,
    // without it the selection remembered at opening is restored.
    void CloseUp(bool take);
    // The dropped list, created at the first opening.
    TDropListBox* ListBox() const { return listBox_; }
    // The drop button at the right edge, inside the focus frame.
    QRect ButtonRect() const;

protected:
    // Raised when the shown text changes.
    virtual void Change() {}
    // Raised each time the list is about to open, before its items are shown.
    virtual void BeforeDropDown() {}

    void keyPressEvent(QKeyEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    void changeEvent(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void HandleClosedListKey(QKeyEvent* event);
    void HandleOpenListKey(QKeyEvent* event);
    bool IsDropKey(const QKeyEvent* event) const;
    void Select(int index);
    // Fits the shown item's text to the field, and its tooltip.
    void UpdateShownText();
    // The first item after `from` (wrapping to the start) whose first letter is `letter`, -1 for none.
    int FindByFirstLetter(QChar letter, int from) const;
    void TypeAhead(QChar key);
    QRect ListGeometry() const;
    void UpdateTextMargins();

    QStringList items_;
    QStringList toolTips_;  // one for each item; the field shows the chosen item's
    TDropListValues list_;
    TDropDownOn dropDownOn_ = TDropDownOnItem::DropSpaceKey;
    bool showButton_ = true;
    int selected_ = -1;
    QString shownItem_;
    // Where Up and Down move from; differs from selected_ only after a type-ahead found nothing.
    int cursor_ = -1;
    // The selection when the list was last opened.
    int remembered_ = 0;
    // The focus came with the mouse press now being handled: that press only focuses.
    bool focusedByThisClick_ = false;
    QPointer<TDropListBox> listBox_;
};

// The port drop-down with its change event.
class TDropCombo : public TCustomDropCombo {
    Q_OBJECT
public:
    explicit TDropCombo(QWidget* parent) : TCustomDropCombo(parent) {}

signals:
    void OnChange(TDropCombo* sender);
    void OnDropDown(TDropCombo* sender);

protected:
    void Change() override { emit OnChange(this); }
    void BeforeDropDown() override { emit OnDropDown(this); }
};

}  // namespace torv
