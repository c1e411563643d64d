#include "controller/glyphs.h"

#include <QFont>
#include <QPainter>
#include <QPainterPath>
#include <QPolygonF>

namespace {

const QColor kInk(32, 32, 32);
const QColor kStopRed(192, 0, 0);

// Angles in degrees, clockwise from "right" as Qt's y axis points down.
double ArrowAngle(TGlyph glyph)
{
    switch (glyph) {
    case TGlyph::Right: return 0;
    case TGlyph::RightDown: return 45;
    case TGlyph::Down: return 90;
    case TGlyph::LeftDown: return 135;
    case TGlyph::Left: return 180;
    case TGlyph::LeftUp: return 225;
    case TGlyph::Up: return 270;
    case TGlyph::RightUp: return 315;
    default: return -1;
    }
}

void DrawArrow(QPainter& painter, double angle)
{
    painter.rotate(angle);
    const bool diagonal = static_cast<int>(angle) % 90 != 0;
    const double tip = diagonal ? 7.5 : 7.0;
    QPolygonF head;
    head << QPointF(tip, 0) << QPointF(tip - 6.5, -5.5) << QPointF(tip - 6.5, 5.5);
    painter.setPen(Qt::NoPen);
    painter.setBrush(kInk);
    painter.drawPolygon(head);
    painter.drawRect(QRectF(-tip + 1.0, -1.75, 2 * tip - 7.0, 3.5));
}

void DrawMagnifier(QPainter& painter, bool plus)
{
    painter.setBrush(Qt::NoBrush);
    painter.setPen(QPen(kInk, 1.8));
    const QPointF centre(-2.0, -2.0);
    painter.drawEllipse(centre, 5.5, 5.5);
    painter.setPen(QPen(kInk, 3.0, Qt::SolidLine, Qt::RoundCap));
    painter.drawLine(QPointF(2.3, 2.3), QPointF(7.0, 7.0));
    painter.setPen(QPen(kInk, 1.6));
    painter.drawLine(QPointF(centre.x() - 3.0, centre.y()), QPointF(centre.x() + 3.0, centre.y()));
    if (plus)
        painter.drawLine(QPointF(centre.x(), centre.y() - 3.0), QPointF(centre.x(), centre.y() + 3.0));
}

// Near: a flower, the usual close-up sign.
void DrawFlower(QPainter& painter)
{
    painter.setPen(QPen(kInk, 1.4));
    painter.drawLine(QPointF(0, 0), QPointF(0, 8));
    painter.drawLine(QPointF(0, 6), QPointF(-3.5, 3.5));
    painter.setBrush(kInk);
    painter.setPen(Qt::NoPen);
    for (int petal = 0; petal < 5; ++petal) {
        painter.save();
        painter.translate(0, -3);
        painter.rotate(petal * 72.0);
        painter.drawEllipse(QPointF(0, -3.2), 1.9, 3.0);
        painter.restore();
    }
    painter.setBrush(Qt::white);
    painter.drawEllipse(QPointF(0, -3), 1.4, 1.4);
}

// Far: mountains, the usual infinity sign of a lens.
void DrawMountains(QPainter& painter)
{
    painter.setPen(Qt::NoPen);
    painter.setBrush(kInk);
    QPolygonF back;
    back << QPointF(-1, 7) << QPointF(3.5, -4) << QPointF(9, 7);
    painter.drawPolygon(back);
    QPolygonF front;
    front << QPointF(-9, 7) << QPointF(-3, -7) << QPointF(3, 7);
    painter.drawPolygon(front);
    painter.setBrush(Qt::white);
    QPolygonF snow;
    snow << QPointF(-4.7, -3) << QPointF(-3, -7) << QPointF(-1.3, -3);
    painter.drawPolygon(snow);
}

// The aperture as a dark ring around an opening: wide when open.
void DrawIris(QPainter& painter, bool open)
{
    painter.setPen(QPen(kInk, 1.2));
    painter.setBrush(QColor(96, 96, 96));
    painter.drawEllipse(QPointF(0, 0), 8.0, 8.0);
    painter.setPen(Qt::NoPen);
    painter.setBrush(Qt::white);
    const double hole = open ? 5.2 : 1.9;
    painter.drawEllipse(QPointF(0, 0), hole, hole);
    painter.setPen(QPen(kInk, 1.0));
    painter.setBrush(Qt::NoBrush);
    for (int blade = 0; blade < 6; ++blade) {
        painter.save();
        painter.rotate(blade * 60.0);
        painter.drawLine(QPointF(hole, 0), QPointF(7.6, open ? 3.5 : 5.5));
        painter.restore();
    }
}

void DrawStop(QPainter& painter)
{
    painter.setPen(Qt::NoPen);
    painter.setBrush(kStopRed);
    painter.drawRect(QRectF(-5.0, -5.0, 10.0, 10.0));
}

} // namespace

QPixmap DrawGlyph(TGlyph glyph, int size)
{
    QPixmap picture(size, size);
    picture.fill(Qt::transparent);
    QPainter painter(&picture);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.translate(size / 2.0, size / 2.0);
    const double scale = size / static_cast<double>(kGlyphSize);
    painter.scale(scale, scale);

    switch (glyph) {
    case TGlyph::ZoomIn: DrawMagnifier(painter, true); break;
    case TGlyph::ZoomOut: DrawMagnifier(painter, false); break;
    case TGlyph::FocusNear: DrawFlower(painter); break;
    case TGlyph::FocusFar: DrawMountains(painter); break;
    case TGlyph::IrisOpen: DrawIris(painter, true); break;
    case TGlyph::IrisClose: DrawIris(painter, false); break;
    case TGlyph::Stop: DrawStop(painter); break;
    default: DrawArrow(painter, ArrowAngle(glyph)); break;
    }
    return picture;
}

QPixmap DrawMakerLogo(QSize size)
{
    QPixmap picture(size);
    picture.fill(Qt::transparent);
    QPainter painter(&picture);
    painter.setRenderHint(QPainter::Antialiasing);

    // A positioner head: a round base, a yoke and a camera body.
    const double unit = size.height() / 10.0;
    const QPointF centre(size.width() / 2.0, size.height() * 0.36);
    const QColor blue(0, 70, 140);
    painter.setPen(Qt::NoPen);
    painter.setBrush(blue);
    painter.drawRoundedRect(QRectF(centre.x() - 3.2 * unit, centre.y() - 1.6 * unit, 5.2 * unit, 2.6 * unit), unit * 0.5,
                            unit * 0.5);
    QPolygonF lens;
    lens << QPointF(centre.x() + 2.0 * unit, centre.y() - 1.1 * unit) << QPointF(centre.x() + 3.2 * unit, centre.y() - 1.5 * unit)
         << QPointF(centre.x() + 3.2 * unit, centre.y() + 0.9 * unit) << QPointF(centre.x() + 2.0 * unit, centre.y() + 0.5 * unit);
    painter.drawPolygon(lens);
    painter.setPen(QPen(blue, unit * 0.5));
    painter.drawLine(QPointF(centre.x() - 0.6 * unit, centre.y() + 1.0 * unit), QPointF(centre.x() - 0.6 * unit, centre.y() + 2.0 * unit));
    painter.setPen(Qt::NoPen);
    painter.drawRoundedRect(QRectF(centre.x() - 2.2 * unit, centre.y() + 1.9 * unit, 3.2 * unit, 0.7 * unit), unit * 0.3, unit * 0.3);

    QFont font(QStringLiteral("Liberation Sans"));
    font.setBold(true);
    font.setPixelSize(static_cast<int>(unit * 2.4));
    font.setLetterSpacing(QFont::AbsoluteSpacing, unit * 0.35);
    painter.setFont(font);
    painter.setPen(blue);
    painter.drawText(QRectF(0, size.height() * 0.66, size.width(), size.height() * 0.34), Qt::AlignHCenter | Qt::AlignTop,
                     QStringLiteral("MORWEN"));
    return picture;
}
