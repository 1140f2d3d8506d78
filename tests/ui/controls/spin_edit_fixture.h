#pragma once
// The frequency field under test: a field in a window that records the keys reaching it,
// and the beeps the field gives.

#include "ui/controls/spin_edit.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QClipboard>
#include <QKeyEvent>
#include <QLocale>
#include <QMenu>
#include <QTest>
#include <QTimer>

#include <memory>

namespace torv {

// Counts beeps instead of sounding them.
class BeepCountingSpinEdit : public TDoubleSpinEdit {
public:
    using TDoubleSpinEdit::CreateContextMenu;
    using TDoubleSpinEdit::TDoubleSpinEdit;
    int beeps = 0;

protected:
    void Beep() override { ++beeps; }
};

// Records the keys that reach the window.
class KeyRecordingWindow : public QWidget {
public:
    QList<int> keys;

protected:
    void keyPressEvent(QKeyEvent* event) override { keys.append(event->key()); }
};

// What the main window's key handler does: "," and "." become the decimal separator.
inline void MapDecimalPoint(TDoubleSpinEdit* /*sender*/, QChar& key)
{
    if (key == u'.' || key == u',')
        key = QLocale().decimalPoint().front();
}

// A frequency field as the main window lays it out, in a shown and active window
// with a second field to move the focus to.
class SpinEditTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
        window.resize(200, 120);
        field = new BeepCountingSpinEdit(&window);
        field->setGeometry(100, 20, 81, 21);
        other = new TDoubleSpinEdit(&window);
        other->setGeometry(100, 74, 81, 21);
        field->SetMaxValue(174);
        field->SetMinValue(146);
        field->SetLineSize(0.0001);
        field->SetPageSize(0.1);
        field->SetDecimals(4);
        field->SetMaxLength(8);
        QObject::connect(field, &TDoubleSpinEdit::OnKeyPress, field, MapDecimalPoint);
        window.show();
        window.activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
    }

    void TearDown() override { QLocale::setDefault(QLocale::system()); }

    // Types a text into the empty field and moves the focus away.
    void TypeAndLeave(const QString& typed)
    {
        field->setFocus();
        field->clear();
        QTest::keyClicks(field, typed);
        other->setFocus();
    }

    KeyRecordingWindow window;
    BeepCountingSpinEdit* field = nullptr;
    TDoubleSpinEdit* other = nullptr;
};

}  // namespace torv
