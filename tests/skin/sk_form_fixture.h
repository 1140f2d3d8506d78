#pragma once
// Shared by the skinned form's tests: a form dressed as the main window, mouse events,
// and pixel helpers.

#include <gtest/gtest.h>

#include "skin/sk_form.h"

#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QMouseEvent>
#include <QWhatsThis>

#include <memory>
#include <tuple>
#include <vector>

#include "event_loop.h"
#include "skin/sk_canvas.h"
#include "skin/sk_form_caption.h"
#include "skin/sk_sys_btn.h"
#include "torv_version.h"

namespace torv::sk_form_test {

inline constexpr char16_t kMainCaption[] = u"Программатор частоты передатчиков ТОРВ " TORV_VERSION;

inline QRgb PixelAt(const QImage& image, int x, int y)
{
    return image.pixel(x, y) | 0xFF000000u;
}

// A form dressed as the main window: 400 x 210, kcSimple, minimize and close buttons.
struct MainLikeForm {
    explicit MainLikeForm(int width = 400, bool maximizeButton = false)
    {
        QFont font(QStringLiteral("Liberation Sans"));
        font.setPixelSize(11);
        form->setFont(font);
        form->SetCaption(QString::fromUtf16(kMainCaption));
        form->SetFixedWidth(width);
        form->SetFixedHeight(210);
        form->SetKindCaption(TKindCaption::kcSimple);
        form->SetBtnMin(minimize);
        form->SetBtnCls(close);
        if (maximizeButton)
            form->SetBtnMax(maximize);
        form->FinishLayout();
    }

    bool Activate()
    {
        form->show();
        form->activateWindow();
        return testing::RunUntil([&] { return form->Active(); });
    }

    std::unique_ptr<TSkForm> form = std::make_unique<TSkForm>();
    TSkSysBtn* minimize = new TSkSysBtn(form.get());
    TSkSysBtn* close = new TSkSysBtn(form.get());
    TSkSysBtn* maximize = new TSkSysBtn(form.get());
};

inline void Mouse(TSkForm& form, QEvent::Type type, Qt::MouseButton button, QPoint at,
                  Qt::MouseButtons held = Qt::NoButton)
{
    if (held == Qt::NoButton && type != QEvent::MouseButtonRelease)
        held = button;
    QMouseEvent event(type, QPointF(at), QPointF(form.mapToGlobal(at)), button, held, Qt::NoModifier);
    QApplication::sendEvent(&form, &event);
}

inline QIcon SquareIcon(Qt::GlobalColor color)
{
    QPixmap pixmap(16, 16);
    pixmap.fill(color);
    return QIcon(pixmap);
}

inline QRect InkBounds(const QImage& image, const QRect& area, QRgb color)
{
    QRect bounds;
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x)
            if (PixelAt(image, x, y) == color)
                bounds |= QRect(x, y, 1, 1);
    return bounds;
}

// The frame lines, from the outer edge inwards, on a row of the left and right frame
// and on a column of the bottom frame.
inline void ExpectFrame(const QImage& frame, const TFrameColors& c)
{
    const int y = 100;
    const QRgb left[] = {c.dark, c.light, c.middle, c.middle, c.dark};
    const QRgb right[] = {c.dark, c.middle, c.middle, c.light, c.dark};
    const QRgb bottom[] = {c.dark, c.middle, c.middle, c.light, c.dark};
    for (int k = 0; k < 5; ++k) {
        EXPECT_EQ(PixelAt(frame, k, y), left[k]) << "left " << k;
        EXPECT_EQ(PixelAt(frame, 399 - k, y), right[k]) << "right " << k;
        EXPECT_EQ(PixelAt(frame, 200, 209 - k), bottom[k]) << "bottom " << k;
    }
    // The inner outline closes the inner area on top, and its corners meet.
    EXPECT_EQ(PixelAt(frame, 200, 29), c.dark);
    EXPECT_EQ(PixelAt(frame, 4, 205), c.dark);
    EXPECT_EQ(PixelAt(frame, 395, 205), c.dark);
    EXPECT_EQ(PixelAt(frame, 395, 40), c.dark);
    // Outer corners, and the bevel where the bottom lines meet the sides.
    EXPECT_EQ(PixelAt(frame, 0, 209), c.dark);
    EXPECT_EQ(PixelAt(frame, 399, 209), c.dark);
    EXPECT_EQ(PixelAt(frame, 1, 208), c.middle);
    EXPECT_EQ(PixelAt(frame, 398, 208), c.middle);
    EXPECT_EQ(PixelAt(frame, 396, 206), c.light);
    EXPECT_EQ(PixelAt(frame, 200, 100), Rgb(0xEFEFEF));
}

}  // namespace torv::sk_form_test
