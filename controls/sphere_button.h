#pragma once

#include "pixels/argb_image.h"
#include "shapes/shape_stack.h"

#include <QColor>
#include <QImage>
#include <QString>
#include <QWidget>

// The sphere-shaded button and check box of every window: a rounded face shaded like a
// sphere (see controls/button_face.h), a caption with a one-pixel black shadow and, as a
// check box, a tick or a cross left of a left-aligned caption.
//
// A press with any mouse button moves a button (IsButton) one pixel down and to the right
// and inverts Checked; the release moves it back. Plain buttons therefore flip Checked as
// well; only check boxes show it. With IsButton false the control is a passive thumb or
// value display: it never moves or toggles, but like every button it reports each press,
// move and release through mouseDown, mouseMove and mouseUp.
//
// A release over the control, with any button, is a click. A double click is reported by
// doubleClicked at its second press and its second release is no click, so a handler
// connected to both clicked and doubleClicked runs twice; a check box is the exception:
// its second press toggles it again, so its second release is a click too and the owner
// always sees the Checked the box shows.
//
// A button takes no keyboard focus unless its owner gives it a focus policy, as the dialogs
// do; one that has the focus shows a dotted frame, and Space, Return and Enter press it as a
// click does (toggling Checked like a press, then clicked).
//
// On a scaled screen the face is built in device pixels with Bevel and SphereHeight scaled
// by the device pixel ratio; at ratio 1 it is the face at its nominal pixel size.
class SphereButton : public QWidget {
    Q_OBJECT
    Q_PROPERTY(int Bevel READ bevel WRITE setBevel)
    Q_PROPERTY(int SphereHeight READ sphereHeight WRITE setSphereHeight)
    Q_PROPERTY(quint32 Color READ color WRITE setColor)
    Q_PROPERTY(quint32 LColor READ lColor WRITE setLColor)
    Q_PROPERTY(float Ambient READ ambient WRITE setAmbient)
    Q_PROPERTY(float Mirror READ mirror WRITE setMirror)
    Q_PROPERTY(float Phong READ phong WRITE setPhong)
    Q_PROPERTY(bool IsButton READ isButton WRITE setIsButton)
    Q_PROPERTY(bool IsCheckBox READ isCheckBox WRITE setIsCheckBox)
    Q_PROPERTY(bool Checked READ checked WRITE setChecked)

public:
    explicit SphereButton(QWidget* parent = nullptr);
    ~SphereButton() override;

    // Bevel is kept as the shape's radiusPx = Bevel - 1.
    int bevel() const;
    void setBevel(int bevel);
    int sphereHeight() const;
    void setSphereHeight(int height);
    // Colours are COLORREF: red in the low byte.
    quint32 color() const;
    void setColor(quint32 colorref);
    quint32 lColor() const;
    void setLColor(quint32 colorref);
    float ambient() const;
    void setAmbient(float ambient);
    float mirror() const;
    void setMirror(float mirror);
    // Stored truncated towards zero: 20.7 reads back as 20.
    float phong() const;
    void setPhong(float phong);
    // Only takes effect at the next press; the face does not change.
    bool isButton() const;
    void setIsButton(bool isButton);
    bool isCheckBox() const;
    void setIsCheckBox(bool isCheckBox);
    bool checked() const;
    void setChecked(bool checked);

    // Whether the control stands for what is in front (the tab whose page shows): its face
    // is then drawn as frontFaceShape, pressed in and amber. Not a published property.
    bool front() const { return m_front; }
    void setFront(bool front);
    // Whether the control is one of a row of tabs (the editor's page buttons, a dialog's
    // format choice): a reader then hears a page tab, selected while it is in front.
    bool isTab() const { return m_isTab; }
    void setIsTab(bool isTab) { m_isTab = isTab; }

    // Does what a click does: a push button (IsButton) flips Checked, then clicked() goes
    // out. Space and Enter, and a screen reader's press or toggle, come here.
    void activate();

    QString caption() const;
    void setCaption(const QString& caption);
    // The caption's and the glyph's colour; white unless set.
    QColor fontColor() const;
    void setFontColor(const QColor& color);

    // The button's shape fields, for tests and galleries.
    const Shape& shape() const { return m_shape; }
    // The face as last built, in device pixels.
    const ArgbImage& pad() const { return m_pad; }

    QSize sizeHint() const override;

    // The caption font of new buttons: DejaVu Sans Condensed, 12 pixels.
    static QFont captionFont();

signals:
    void mouseDown(Qt::MouseButton button, QPoint position);
    void mouseMove(Qt::MouseButtons buttons, QPoint position);
    void mouseUp(Qt::MouseButton button, QPoint position);
    void clicked();
    void doubleClicked();

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    // Rebuilds the face and the mask, then schedules a repaint.
    void refresh();
    void buildPad();
    bool padIsCurrent() const;
    void press(QMouseEvent* event);

    Shape m_shape;
    bool m_isButton = true;
    bool m_isCheckBox = false;
    bool m_checked = false;
    bool m_front = false;
    bool m_isTab = false;
    bool m_pressed = false;
    bool m_releaseIsClick = true; // false after the second press of a double click
    QString m_caption;
    QColor m_fontColor = Qt::white;
    ArgbImage m_pad; // device pixels
    ArgbImage m_sphere;
    QImage m_face; // the pad as shown: opaque, at the device pixel ratio
};
