#pragma once

#include <QCheckBox>
#include <QColor>
#include <QComboBox>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QStringList>
#include <QTabWidget>
#include <QToolButton>
#include <QWidget>

class QPainter;

// Small widgets with the semantics the window's handlers were written for:
// mouse presses of any button, a panel colour and bevel that code changes,
// a page change that reports only what the operator did.

// The system's button-face colour, the normal colour of panels and the
// connect box.
[[nodiscard]] QColor ButtonFaceColor();

enum TBevelCut { bvNone, bvLowered, bvRaised };

// A coloured rectangle with an outer and an inner one-pixel bevel and an
// optional centred caption; other controls may lie on it.
class TPanel : public QWidget {
    Q_OBJECT
public:
    explicit TPanel(QWidget* parent);

    [[nodiscard]] QColor Color() const { return PanelColor; }
    void SetColor(const QColor& color);
    [[nodiscard]] TBevelCut BevelOuter() const { return Outer; }
    void SetBevelOuter(TBevelCut bevel);
    [[nodiscard]] TBevelCut BevelInner() const { return Inner; }
    void SetBevelInner(TBevelCut bevel);
    [[nodiscard]] QString Caption() const { return CaptionText; }
    void SetCaption(const QString& caption);

signals:
    void MouseDown(Qt::MouseButton button, QPoint position);
    void MouseMove(QPoint position);
    void MouseUp(Qt::MouseButton button, QPoint position);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    QColor PanelColor;
    TBevelCut Outer = bvRaised;
    TBevelCut Inner = bvNone;
    QString CaptionText;
};

// A flat-looking push button with a drawn glyph that reports the press and
// the release of every mouse button, not only the left one.
class TSpeedButton : public QToolButton {
    Q_OBJECT
public:
    explicit TSpeedButton(QWidget* parent);

signals:
    void MouseDown(Qt::MouseButton button);
    void MouseUp(Qt::MouseButton button);

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
};

// A push button that also reports presses of the other mouse buttons (the
// right button opens a custom command's editor).
class TButton : public QPushButton {
    Q_OBJECT
public:
    explicit TButton(QWidget* parent);

signals:
    void MouseDown(Qt::MouseButton button);

protected:
    void mousePressEvent(QMouseEvent* event) override;
};

// A check box with a background colour that code can turn red and back.
class TCheckBox : public QCheckBox {
    Q_OBJECT
public:
    explicit TCheckBox(QWidget* parent);

    [[nodiscard]] QColor Color() const;
    void SetColor(const QColor& color);
};

// A label that reports a click of the left mouse button (the link labels).
class TLabel : public QLabel {
    Q_OBJECT
public:
    explicit TLabel(QWidget* parent);

signals:
    void Click();

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    bool Pressed = false;
};

// A combo box that reports each opening of its list before it shows, so the
// list can be refilled first.
class TComboBox : public QComboBox {
    Q_OBJECT
public:
    explicit TComboBox(QWidget* parent);

    void showPopup() override;

signals:
    void DropDown();
};

// A page control whose Change reports only the operator's page switches;
// code sets the page with SetActivePage, which runs no handler.
class TPageControl : public QTabWidget {
    Q_OBJECT
public:
    explicit TPageControl(QWidget* parent);

    [[nodiscard]] QWidget* ActivePage() const { return currentWidget(); }
    void SetActivePage(QWidget* page);
    void SetActivePageIndex(int index);

signals:
    void Change();

private:
    bool SettingFromCode = false;
};

// A surface whose owner paints it in the Paint handler.
class TPaintBox : public QWidget {
    Q_OBJECT
public:
    explicit TPaintBox(QWidget* parent);

signals:
    void Paint(TPaintBox* box, QPainter& painter);

protected:
    void paintEvent(QPaintEvent* event) override;
};

// The message log's text box: read-only lines, oldest first.
class TMemo : public QPlainTextEdit {
    Q_OBJECT
public:
    explicit TMemo(QWidget* parent);

    void Add(const QString& line);
    [[nodiscard]] int Count() const { return LineCount; }
    [[nodiscard]] QString Line(int index) const;
    [[nodiscard]] QStringList Lines() const;
    // Replaces every line in one assignment.
    void SetLines(const QStringList& lines);

private:
    // An empty document still holds one empty block, so the count of lines
    // the log holds is kept here.
    int LineCount = 0;
};
