#include "controller/controls.h"

#include <QApplication>
#include <QMouseEvent>
#include <QPainter>
#include <QPalette>
#include <QScrollBar>
#include <QTabBar>
#include <QTextBlock>
#include <QTextCursor>

QColor ButtonFaceColor()
{
    return QApplication::palette().color(QPalette::Button);
}

namespace {

void DrawBevel(QPainter& painter, QRect& rect, TBevelCut bevel, const QPalette& palette)
{
    if (bevel == bvNone)
        return;
    const QColor light = palette.color(QPalette::Light);
    const QColor dark = palette.color(QPalette::Dark);
    const QColor topLeft = bevel == bvRaised ? light : dark;
    const QColor bottomRight = bevel == bvRaised ? dark : light;
    painter.setPen(topLeft);
    painter.drawLine(rect.left(), rect.top(), rect.right(), rect.top());
    painter.drawLine(rect.left(), rect.top(), rect.left(), rect.bottom());
    painter.setPen(bottomRight);
    painter.drawLine(rect.right(), rect.top(), rect.right(), rect.bottom());
    painter.drawLine(rect.left(), rect.bottom(), rect.right(), rect.bottom());
    rect.adjust(1, 1, -1, -1);
}

} // namespace

TPanel::TPanel(QWidget* parent) : QWidget(parent), PanelColor(ButtonFaceColor()) {}

void TPanel::SetColor(const QColor& color)
{
    if (color == PanelColor)
        return;
    PanelColor = color;
    update();
}

void TPanel::SetBevelOuter(TBevelCut bevel)
{
    if (bevel == Outer)
        return;
    Outer = bevel;
    update();
}

void TPanel::SetBevelInner(TBevelCut bevel)
{
    if (bevel == Inner)
        return;
    Inner = bevel;
    update();
}

void TPanel::SetCaption(const QString& caption)
{
    if (caption == CaptionText)
        return;
    CaptionText = caption;
    update();
}

void TPanel::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    QRect rect = this->rect();
    painter.fillRect(rect, PanelColor);
    DrawBevel(painter, rect, Outer, palette());
    DrawBevel(painter, rect, Inner, palette());
    if (!CaptionText.isEmpty()) {
        painter.setPen(isEnabled() ? palette().color(QPalette::WindowText)
                                   : palette().color(QPalette::Disabled, QPalette::WindowText));
        painter.setFont(font());
        painter.drawText(rect, Qt::AlignCenter, CaptionText);
    }
}

void TPanel::mousePressEvent(QMouseEvent* event)
{
    emit MouseDown(event->button(), event->position().toPoint());
}

void TPanel::mouseMoveEvent(QMouseEvent* event)
{
    emit MouseMove(event->position().toPoint());
}

void TPanel::mouseReleaseEvent(QMouseEvent* event)
{
    emit MouseUp(event->button(), event->position().toPoint());
}

TSpeedButton::TSpeedButton(QWidget* parent) : QToolButton(parent)
{
    setFocusPolicy(Qt::NoFocus);
    setAutoRaise(false);
}

void TSpeedButton::mousePressEvent(QMouseEvent* event)
{
    emit MouseDown(event->button());
    QToolButton::mousePressEvent(event);
}

void TSpeedButton::mouseReleaseEvent(QMouseEvent* event)
{
    emit MouseUp(event->button());
    QToolButton::mouseReleaseEvent(event);
}

TButton::TButton(QWidget* parent) : QPushButton(parent) {}

void TButton::mousePressEvent(QMouseEvent* event)
{
    emit MouseDown(event->button());
    QPushButton::mousePressEvent(event);
}

TCheckBox::TCheckBox(QWidget* parent) : QCheckBox(parent) {}

QColor TCheckBox::Color() const
{
    return autoFillBackground() ? palette().color(QPalette::Window) : ButtonFaceColor();
}

void TCheckBox::SetColor(const QColor& color)
{
    // In its normal colour the box lets its parent show through, as it
    // would on a button-face page; only another colour is painted.
    const bool normal = color == ButtonFaceColor();
    QPalette colours = palette();
    colours.setColor(QPalette::Window, color);
    setPalette(colours);
    setAutoFillBackground(!normal);
}

TLabel::TLabel(QWidget* parent) : QLabel(parent) {}

void TLabel::mousePressEvent(QMouseEvent* event)
{
    Pressed = event->button() == Qt::LeftButton;
    QLabel::mousePressEvent(event);
}

void TLabel::mouseReleaseEvent(QMouseEvent* event)
{
    const bool click = Pressed && event->button() == Qt::LeftButton && rect().contains(event->position().toPoint());
    Pressed = false;
    QLabel::mouseReleaseEvent(event);
    if (click)
        emit Click();
}

TComboBox::TComboBox(QWidget* parent) : QComboBox(parent) {}

void TComboBox::showPopup()
{
    emit DropDown();
    QComboBox::showPopup();
}

TPageControl::TPageControl(QWidget* parent) : QTabWidget(parent)
{
    tabBar()->setUsesScrollButtons(false);
    tabBar()->setElideMode(Qt::ElideNone);
    connect(this, &QTabWidget::currentChanged, this, [this](int) {
        if (!SettingFromCode)
            emit Change();
    });
}

void TPageControl::SetActivePage(QWidget* page)
{
    SetActivePageIndex(indexOf(page));
}

void TPageControl::SetActivePageIndex(int index)
{
    SettingFromCode = true;
    setCurrentIndex(index);
    SettingFromCode = false;
}

TPaintBox::TPaintBox(QWidget* parent) : QWidget(parent) {}

void TPaintBox::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    emit Paint(this, painter);
}

TMemo::TMemo(QWidget* parent) : QPlainTextEdit(parent)
{
    setReadOnly(true);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    setLineWrapMode(QPlainTextEdit::NoWrap);
    setUndoRedoEnabled(false);
}

void TMemo::Add(const QString& line)
{
    // appendPlainText would fill a first empty line instead of adding one.
    QScrollBar* scroll = verticalScrollBar();
    const bool atBottom = scroll->value() == scroll->maximum();
    QTextCursor cursor(document());
    cursor.movePosition(QTextCursor::End);
    if (LineCount > 0)
        cursor.insertBlock();
    cursor.insertText(line);
    ++LineCount;
    if (atBottom)
        scroll->setValue(scroll->maximum());
}

QString TMemo::Line(int index) const
{
    if (index < 0 || index >= LineCount)
        return {};
    return document()->findBlockByNumber(index).text();
}

QStringList TMemo::Lines() const
{
    QStringList lines;
    lines.reserve(LineCount);
    for (int i = 0; i < LineCount; ++i)
        lines.append(document()->findBlockByNumber(i).text());
    return lines;
}

void TMemo::SetLines(const QStringList& lines)
{
    setPlainText(lines.join(QLatin1Char('\n')));
    LineCount = static_cast<int>(lines.size());
}
