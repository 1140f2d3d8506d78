#include "ui/controls/drop_combo.h"
#include "ui/controls/shortened_text.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QImage>
#include <QKeyEvent>
#include <QLineEdit>
#include <QScrollBar>
#include <QTest>

namespace torv {
namespace {

// Records the keys that reach the window.
class KeyRecordingWindow : public QWidget {
public:
    QList<int> keys;

protected:
    void keyPressEvent(QKeyEvent* event) override { keys.append(event->key()); }
};

// The port list where the main window puts it: 63 x 21 at (65, 124) of a 390 x 176
// area, with another control to take the focus.
class DropComboTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        window.setFixedSize(390, 176);
        combo = new TDropCombo(&window);
        combo->setGeometry(65, 124, 63, 21);
        other = new QLineEdit(&window);
        other->setGeometry(10, 10, 60, 21);
        QObject::connect(combo, &TDropCombo::OnChange, &window, [this](TDropCombo* sender) {
            EXPECT_EQ(sender, combo);
            changes.append(sender->Text());
        });
        window.show();
        window.activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
    }

    void Fill(const QStringList& items, int selected)
    {
        for (const QString& item : items)
            combo->AddItem(item);
        combo->SetItemIndex(selected);
        changes.clear();
    }

    void Key(int key, Qt::KeyboardModifiers modifiers = {}) { QTest::keyClick(combo, Qt::Key(key), modifiers); }
    void Type(const char* text) { QTest::keyClicks(combo, text); }
    QRect ListGeometry() const { return combo->ListBox()->geometry(); }
    QPoint ButtonCentre() const { return combo->ButtonRect().center(); }

    QStringList changes;  // outlives the window, the receiver of the change handler
    KeyRecordingWindow window;
    TDropCombo* combo = nullptr;
    QLineEdit* other = nullptr;
};

const QStringList kPorts = {"COM1", "COM3", "COM4"};

TEST_F(DropComboTest, SelectingShowsTheItemAndReportsOnlyNewText)
{
    Fill({"COM1", "COM1", "COM2"}, -1);
    EXPECT_EQ(combo->Text(), "");
    combo->SetItemIndex(0);
    combo->SetItemIndex(0);
    combo->SetItemIndex(1);  // a duplicate: same text
    EXPECT_EQ(combo->ItemIndex(), 1);
    combo->SetItemIndex(3);  // out of range: ignored
    combo->SetItemIndex(-2);
    EXPECT_EQ(combo->ItemIndex(), 1);
    combo->SetItemIndex(2);
    combo->SetItemIndex(-1);
    EXPECT_EQ(changes, (QStringList{"COM1", "COM2", ""}));
    EXPECT_EQ(combo->ItemIndex(), -1);
}

TEST_F(DropComboTest, UpMovesTowardsTheEndWithoutWrapping)
{
    Fill(kPorts, 0);
    combo->setFocus();
    Key(Qt::Key_Down);  // on the first port: nothing
    EXPECT_TRUE(changes.isEmpty());
    Key(Qt::Key_Up);
    Key(Qt::Key_Up);
    Key(Qt::Key_Up);  // on the last port: nothing
    EXPECT_EQ(changes, (QStringList{"COM3", "COM4"}));
    Key(Qt::Key_Down);
    EXPECT_EQ(combo->Text(), "COM3");
    Key(Qt::Key_PageUp);
    Key(Qt::Key_PageDown);
    EXPECT_EQ(combo->Text(), "COM3");
    Key(Qt::Key_Home);
    EXPECT_EQ(combo->ItemIndex(), 0);
    Key(Qt::Key_End);
    EXPECT_EQ(combo->ItemIndex(), 2);
    EXPECT_EQ(changes, (QStringList{"COM3", "COM4", "COM3", "COM1", "COM4"}));
}

TEST_F(DropComboTest, TypeAheadStepsThroughPortsWithTheSameLetter)
{
    Fill(kPorts, 1);
    combo->setFocus();
    Type("c");
    EXPECT_EQ(combo->Text(), "COM4");
    Type("C");
    EXPECT_EQ(combo->Text(), "COM1");
    Type("c");
    EXPECT_EQ(combo->Text(), "COM3");
}

TEST_F(DropComboTest, UnmatchedTypeAheadMovesFromTheSelectionRememberedAtOpening)
{
    Fill(kPorts, 2);
    combo->setFocus();
    Type("x");  // never opened: Up and Down move from the first port
    EXPECT_EQ(combo->Text(), "COM4");
    Key(Qt::Key_Up);
    EXPECT_EQ(combo->Text(), "COM3");

    Key(Qt::Key_Space);  // opened with COM3 chosen
    Key(Qt::Key_Space);
    Key(Qt::Key_Home);
    Type("x");
    EXPECT_EQ(combo->Text(), "COM1");
    Key(Qt::Key_Up);
    EXPECT_EQ(combo->Text(), "COM4");
}

TEST_F(DropComboTest, SpaceThenEscapeKeepsThePortWithoutChange)
{
    Fill(kPorts, 1);
    combo->setFocus();
    Key(Qt::Key_Space);
    ASSERT_TRUE(combo->DroppedDown());
    EXPECT_EQ(combo->ListBox()->Highlight(), 1);
    Key(Qt::Key_Up);  // in the open list Up goes towards the first item
    EXPECT_EQ(combo->ListBox()->Highlight(), 0);
    EXPECT_EQ(combo->Text(), "COM3");
    Key(Qt::Key_Escape);
    EXPECT_FALSE(combo->DroppedDown());
    EXPECT_EQ(combo->Text(), "COM3");
    EXPECT_TRUE(changes.isEmpty());
    EXPECT_TRUE(window.keys.isEmpty());
}

TEST_F(DropComboTest, SpaceClosesWithoutTakingAndEnterTakes)
{
    Fill(kPorts, 0);
    combo->setFocus();
    Key(Qt::Key_Space);
    Key(Qt::Key_Down);
    Key(Qt::Key_Space);
    EXPECT_FALSE(combo->DroppedDown());
    EXPECT_EQ(combo->Text(), "COM1");

    Key(Qt::Key_Space);
    Key(Qt::Key_End);
    Key(Qt::Key_Home);
    Key(Qt::Key_PageDown);
    EXPECT_EQ(combo->ListBox()->Highlight(), 2);
    Key(Qt::Key_Return);
    EXPECT_FALSE(combo->DroppedDown());
    EXPECT_EQ(changes, (QStringList{"COM4"}));

    Key(Qt::Key_Space);  // taking the port already shown
    Key(Qt::Key_Return);
    EXPECT_EQ(changes, (QStringList{"COM4"}));
}

TEST_F(DropComboTest, EnterAndEscapeWithTheListClosedGoToTheWindow)
{
    Fill(kPorts, 0);
    combo->setFocus();
    Key(Qt::Key_Return);
    Key(Qt::Key_Escape);
    EXPECT_EQ(window.keys, (QList<int>{Qt::Key_Return, Qt::Key_Escape}));
    EXPECT_FALSE(combo->DroppedDown());
}

TEST_F(DropComboTest, OnePortOpensBelowTwoOrMoreAbove)
{
    Fill({"COM1"}, 0);
    combo->DropDown();
    EXPECT_EQ(ListGeometry(), QRect(65, 145, 136, 20));
    combo->CloseUp(false);

    combo->AddItem("COM2");
    combo->DropDown();
    EXPECT_EQ(ListGeometry(), QRect(65, 124 - 38, 136, 38));
    combo->CloseUp(false);

    for (int n = 3; n <= 8; ++n)
        combo->AddItem(QString("COM%1").arg(n));
    combo->DropDown();
    EXPECT_EQ(ListGeometry(), QRect(65, 124 - 92, 136, 92));  // five whole items within 100 pixels
    EXPECT_EQ(combo->ListBox()->VisibleRows(), 5);
}

TEST_F(DropComboTest, PlacementFollowsTheRoomOnEachSide)
{
    Fill(kPorts, 0);
    combo->List().PopupAt = TPopupAt::cbAbove;
    combo->DropDown();
    EXPECT_EQ(ListGeometry().bottom(), 123);
    combo->CloseUp(false);

    combo->move(65, 10);  // little room above: below, even if above is preferred
    combo->DropDown();
    EXPECT_EQ(ListGeometry(), QRect(65, 31, 136, 56));
    combo->CloseUp(false);

    window.setFixedSize(390, 60);  // room for one item on the larger side only
    combo->move(65, 19);
    combo->DropDown();
    EXPECT_EQ(ListGeometry(), QRect(65, 40, 136, 18 + 2));
    combo->CloseUp(false);

    combo->move(300, 20);  // the list stays inside the window
    combo->DropDown();
    EXPECT_EQ(ListGeometry().right(), 389);
}

TEST_F(DropComboTest, LongListScrollsToKeepTheHighlightVisible)
{
    for (int n = 1; n <= 9; ++n)
        combo->AddItem(QString("COM%1").arg(n));
    combo->SetItemIndex(0);
    combo->setFocus();
    Key(Qt::Key_Space);
    TDropListBox* box = combo->ListBox();
    EXPECT_TRUE(box->findChild<QScrollBar*>()->isVisible());
    Key(Qt::Key_End);
    EXPECT_EQ(box->Highlight(), 8);
    EXPECT_EQ(box->TopIndex(), 4);
    Key(Qt::Key_PageUp);
    EXPECT_EQ(box->Highlight(), 4);
    Key(Qt::Key_Home);
    EXPECT_EQ(box->TopIndex(), 0);
    Key(Qt::Key_Return);
    EXPECT_EQ(combo->Text(), "COM1");
}

TEST_F(DropComboTest, ClickOnAnItemTakesIt)
{
    Fill(kPorts, 0);
    combo->setFocus();
    QTest::mouseClick(combo, Qt::LeftButton, {}, ButtonCentre());
    ASSERT_TRUE(combo->DroppedDown());
    TDropListBox* box = combo->ListBox();
    const QPoint third(20, 1 + 2 * 18 + 9);
    EXPECT_EQ(box->ItemAt(third), 2);
    QTest::mouseClick(box, Qt::LeftButton, {}, third);
    EXPECT_FALSE(combo->DroppedDown());
    EXPECT_EQ(changes, (QStringList{"COM4"}));

    QTest::mouseClick(combo, Qt::LeftButton, {}, ButtonCentre());
    QTest::mouseClick(box, Qt::LeftButton, {}, third);  // the port already shown
    EXPECT_EQ(changes, (QStringList{"COM4"}));
}

TEST_F(DropComboTest, FirstClickOnTheFieldOnlyFocusesButTheButtonOpensAtOnce)
{
    Fill(kPorts, 0);
    other->setFocus();
    QTest::mouseClick(combo, Qt::LeftButton, {}, QPoint(10, 10));
    EXPECT_TRUE(combo->hasFocus());
    EXPECT_FALSE(combo->DroppedDown());
    QTest::mouseClick(combo, Qt::LeftButton, {}, QPoint(10, 10));
    EXPECT_TRUE(combo->DroppedDown());
    QTest::mouseClick(combo, Qt::LeftButton, {}, QPoint(10, 10));
    EXPECT_FALSE(combo->DroppedDown());

    other->setFocus();
    QTest::mouseClick(combo, Qt::LeftButton, {}, ButtonCentre());
    EXPECT_TRUE(combo->hasFocus());
    EXPECT_TRUE(combo->DroppedDown());
    QTest::mouseClick(combo, Qt::LeftButton, {}, ButtonCentre());

    // A right or middle click that brought the focus leaves the next left click to open the list.
    combo->setContextMenuPolicy(Qt::NoContextMenu);  // no modal menu in the test
    for (const Qt::MouseButton button : {Qt::RightButton, Qt::MiddleButton}) {
        other->setFocus();
        QTest::mouseClick(combo, button, {}, QPoint(10, 10));
        EXPECT_TRUE(combo->hasFocus()) << button;
        EXPECT_FALSE(combo->DroppedDown()) << button;
        QTest::mouseClick(combo, Qt::LeftButton, {}, QPoint(10, 10));
        EXPECT_TRUE(combo->DroppedDown()) << button;
        combo->CloseUp(false);
    }
}

TEST_F(DropComboTest, ClickOutsideOrFocusLossClosesWithoutTaking)
{
    Fill(kPorts, 0);
    combo->setFocus();
    Key(Qt::Key_Space);
    Key(Qt::Key_Down);
    QTest::mouseClick(&window, Qt::LeftButton, {}, QPoint(300, 20));
    EXPECT_FALSE(combo->DroppedDown());
    EXPECT_EQ(combo->Text(), "COM1");

    Key(Qt::Key_Space);
    other->setFocus();
    EXPECT_FALSE(combo->DroppedDown());
    EXPECT_TRUE(changes.isEmpty());
}

TEST_F(DropComboTest, EmptyListOpensNothingAndKeysChangeNothing)
{
    combo->setFocus();
    Key(Qt::Key_Space);
    Key(Qt::Key_Up);
    Key(Qt::Key_Down);
    Key(Qt::Key_End);
    Type("c");
    EXPECT_FALSE(combo->DroppedDown());
    EXPECT_EQ(combo->ItemIndex(), -1);
    EXPECT_EQ(combo->Text(), "");
    EXPECT_TRUE(changes.isEmpty());

    Fill(kPorts, 1);
    Key(Qt::Key_Space);
    combo->ClearItems();
    EXPECT_FALSE(combo->DroppedDown());
    EXPECT_EQ(combo->Text(), "");
    EXPECT_EQ(changes, (QStringList{""}));
}

TEST_F(DropComboTest, CannotBeTypedIntoOrPastedInto)
{
    Fill(kPorts, 0);
    combo->setFocus();
    Type("9");
    QTest::keyClick(combo, Qt::Key_V, Qt::ControlModifier);
    QTest::keyClick(combo, Qt::Key_Backspace);
    QTest::keyClick(combo, Qt::Key_Delete);
    EXPECT_EQ(combo->Text(), "COM1");
    EXPECT_TRUE(changes.isEmpty());
}

TEST_F(DropComboTest, OtherOpeningKeysWhenAsked)
{
    Fill(kPorts, 0);
    combo->SetDropDownOn(TDropDownOnItem::DropAltArrowKey);
    combo->setFocus();
    Key(Qt::Key_Space);
    EXPECT_FALSE(combo->DroppedDown());
    Key(Qt::Key_Down, Qt::AltModifier);
    EXPECT_TRUE(combo->DroppedDown());
    Key(Qt::Key_Up, Qt::AltModifier);
    EXPECT_FALSE(combo->DroppedDown());

    combo->SetDropDownOn(TDropDownOnItem::DropGetFocus);
    other->setFocus();
    combo->setFocus(Qt::TabFocusReason);
    EXPECT_TRUE(combo->DroppedDown());
}

TEST_F(DropComboTest, DisablingClosesTheList)
{
    Fill(kPorts, 0);
    combo->setFocus();
    Key(Qt::Key_Space);
    combo->setEnabled(false);
    EXPECT_FALSE(combo->DroppedDown());
    combo->DropDown();
    EXPECT_FALSE(combo->DroppedDown());
}

TEST_F(DropComboTest, FocusFrameInColorFocusOnlyWhileFocused)
{
    Fill(kPorts, 0);
    const QPoint frame(TCustomTextEdit::kBorderWidth, 10);
    other->setFocus();
    EXPECT_NE(combo->grab().toImage().pixelColor(frame), QColor(128, 128, 128));
    combo->setFocus();
    EXPECT_EQ(combo->grab().toImage().pixelColor(frame), QColor(128, 128, 128));
    combo->SetColorFocus(Qt::red);
    EXPECT_EQ(combo->grab().toImage().pixelColor(frame), QColor(Qt::red));
}

TEST_F(DropComboTest, ListDrawsItsColours)
{
    Fill(kPorts, 1);
    combo->DropDown();
    const QImage image = combo->ListBox()->grab().toImage();
    auto rowColours = [&](int row) {
        QSet<QRgb> colours;
        for (int x = 1; x < 135; ++x)
            for (int y = 1 + row * 18; y < 1 + (row + 1) * 18; ++y)
                colours.insert(image.pixel(x, y));
        return colours;
    };
    const QSet<QRgb> plain = rowColours(0);
    const QSet<QRgb> highlighted = rowColours(1);
    EXPECT_TRUE(plain.contains(qRgb(232, 232, 232)));
    EXPECT_FALSE(plain.contains(qRgb(200, 200, 200)));
    EXPECT_TRUE(highlighted.contains(qRgb(200, 200, 200)));
    EXPECT_TRUE(highlighted.contains(qRgb(0, 0, 128)));
    EXPECT_FALSE(plain.contains(qRgb(0, 0, 128)));
    EXPECT_EQ(image.width(), 136);
}

// Each step gives up only what the narrower width needs, and the result always fits.
TEST(ShortenedText, KeepsTheEndsThatTellPathsApart)
{
    const QFontMetrics metrics(QApplication::font());
    const QString path = "/home/operator/bench/adapter0";
    const auto width = [&](const QString& text) { return metrics.horizontalAdvance(text); };
    const QString ellipsis = QString::fromUtf8("…");
    const QString folderAndName = "/home/" + ellipsis + "/adapter0";
    const QString name = ellipsis + "/adapter0";
    const std::pair<int, QString> cases[] = {
        {width(path), path},
        {width(path) - 1, folderAndName},
        {width(folderAndName) - 1, name},
    };
    for (const auto& [room, expected] : cases)
        EXPECT_EQ(ShortenedText(path, metrics, room), expected) << room;
    // Too narrow even for the name, or not a path: characters go from the middle.
    for (const QString& text : {path, QString("rfc2217://bench-server.example:4001")}) {
        const QString shortened = ShortenedText(text, metrics, width(name) - 1);
        EXPECT_TRUE(shortened.contains(ellipsis)) << shortened.toStdString();
        EXPECT_EQ(shortened.front(), text.front());
        EXPECT_EQ(shortened.back(), text.back());
        EXPECT_LE(width(shortened), width(name) - 1);
    }
}

}  // namespace
}  // namespace torv
