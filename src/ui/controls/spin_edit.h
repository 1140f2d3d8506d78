#pragma once
// The frequency field: a single-line edit holding a floating-point number, with an
// up/down button split along its diagonal, stepping keys, a character filter and
// bounds that the number wraps around (or is clamped to).

#include <QClipboard>
#include <QLineEdit>
#include <QMenu>
#include <QTimer>
#include <QWidget>

#include <algorithm>
#include <optional>

namespace torv {

// The small up/down button at the right edge of a spin edit. The square is split
// along the diagonal from its bottom-left to its top-right corner: the upper-left
// triangle is the top half, the lower-right triangle the bottom half. Pressing a
// half acts once at once, then repeats after Interval + 300 ms and every Interval ms
// while the mouse button stays down.
class TSpinButton : public QWidget {
    Q_OBJECT
public:
    enum class Half { None, Top, Bottom };

    explicit TSpinButton(QWidget* parent);

    int Interval() const { return interval_; }
    void SetInterval(int ms) { interval_ = ms; }

    Half PressedHalf() const { return pressed_; }
    // Which half a point in widget coordinates lies in (the diagonal belongs to the top).
    Half HalfAt(QPoint pos) const;

    // The delay before the first repetition.
    static constexpr int kFirstRepeatExtraMs = 300;

signals:
    // Raised at the press of a half and at each repetition.
    void OnTopClick();
    void OnBottomClick();

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void Act();
    void Repeat();
    void Release();

    QTimer repeatTimer_{this};
    Half pressed_ = Half::None;
    int interval_ = 100;
};

// A single-line edit with a TSpinButton inside its right border, the step keys and
// the character filter. The number itself is the derived class's business: the base
// only calls the stepping operations and the filter.
class TCustomSpinEdit : public QLineEdit {
    Q_OBJECT
public:
    explicit TCustomSpinEdit(QWidget* parent);

    TSpinButton* Button() const { return button_; }

    bool EditorEnabled() const { return editorEnabled_; }
    void SetEditorEnabled(bool enabled);
    bool ReadOnly() const { return isReadOnly(); }
    void SetReadOnly(bool readOnly);
    int Interval() const { return button_->Interval(); }
    void SetInterval(int ms) { button_->SetInterval(ms); }
    bool AutoSelect() const { return autoSelect_; }
    void SetAutoSelect(bool autoSelect) { autoSelect_ = autoSelect; }
    // Most characters the operator can type or paste; 0: no limit. Text the program
    // sets is shown whole, however long.
    int MaxLength() const { return maxLength_; }
    void SetMaxLength(int length) { maxLength_ = std::max(0, length); }

    virtual void StepUp() {}
    virtual void StepDown() {}

    // Whether the clipboard may change the text (cut and paste).
    bool ClipboardEditAllowed() const { return editorEnabled_ && !isReadOnly(); }

protected:
    // The character filter; may change the character. A refused one is dropped with a beep.
    virtual bool AcceptsChar(QChar& key);
    virtual void PageUp() {}
    virtual void PageDown() {}
    // Raised for an accepted character before it reaches the text; may change it or
    // clear it (a null character is dropped).
    virtual void KeyPress(QChar& /*key*/) {}
    virtual void Beep();
    // The line edit's context menu, without the entries that change the text where the
    // clipboard may not; its paste keeps to MaxLength.
    QMenu* CreateContextMenu();
    // Pastes the clipboard's (or the selection's) text in place of the selection, cut to
    // the room MaxLength leaves. Nothing happens where the clipboard may not change the text.
    void PasteLimited(QClipboard::Mode mode);

    void keyPressEvent(QKeyEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void changeEvent(QEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    // Characters the operator may still add in place of the selection (negative when a
    // text set by the program is already longer than MaxLength).
    int Room() const;
    bool HandleStepKey(int key);
    bool IsTextDeletion(const QKeyEvent* event) const;
    void TypeCharacter(QChar key, QKeyEvent* event);
    void PlaceButton();
    void UpdateMinimumHeight();

    TSpinButton* button_;
    bool editorEnabled_ = true;
    bool autoSelect_ = true;
    int maxLength_ = 0;
};

// The frequency field: the number is read from and written to the text, with the
// locale's decimal separator. The program sets the default QLocale from the system
// at start, so QLocale() is the system's number format here.
class TDoubleSpinEdit : public TCustomSpinEdit {
    Q_OBJECT
public:
    explicit TDoubleSpinEdit(QWidget* parent);

    // Reads the text; an empty or unreadable text gives MinValue and writes it into
    // the field. The result is not constrained to the bounds.
    double Value();
    // Whether the text reads as a number (Value would then leave the field as it is).
    bool HoldsNumber() const { return ReadText().has_value(); }
    // Constrains x to the bounds and writes it formatted, followed by the suffix.
    void SetValue(double x);

    double MinValue() const { return minValue_; }
    double MaxValue() const { return maxValue_; }
    // Ignored when it would not keep MinValue below MaxValue, except while loading.
    void SetMinValue(double m);
    void SetMaxValue(double m);
    // While loading, the bound setters accept any value.
    void SetLoading(bool loading) { loading_ = loading; }

    double LineSize() const { return lineSize_; }
    void SetLineSize(double step) { lineSize_ = step; }
    double PageSize() const { return pageSize_; }
    void SetPageSize(double step) { pageSize_ = step; }
    bool IsCicle() const { return isCicle_; }
    void SetIsCicle(bool wraps) { isCicle_ = wraps; }
    int Decimals() const { return decimals_; }
    void SetDecimals(quint8 decimals) { decimals_ = decimals; }
    QString Suffix() const { return suffix_; }
    void SetSuffix(const QString& suffix) { suffix_ = suffix; }

    void StepUp() override;
    void StepDown() override;

    // Wraps (isCicle) or clamps x to [MinValue, MaxValue]; equal bounds leave x as it is.
    double ConstrainValue(double x) const;
    // x rounded to Decimals places with the locale's decimal separator.
    QString FormatValue(double x) const;

signals:
    // Raised for every accepted typed character, which a handler may change in place;
    // handlers run one after another in the order they were connected, each seeing the
    // character as the previous one left it. Only a direct connection can change it.
    void OnKeyPress(TDoubleSpinEdit* sender, QChar& key);

protected:
    void PageUp() override;
    void PageDown() override;
    void KeyPress(QChar& key) override;
    void focusOutEvent(QFocusEvent* event) override;

private:
    std::optional<double> ReadText() const;

    double minValue_ = 0;
    double maxValue_ = 1;
    double lineSize_ = 0.01;
    double pageSize_ = 0.1;
    bool isCicle_ = true;
    int decimals_ = 2;
    QString suffix_;
    bool loading_ = false;
};

}  // namespace torv
