#pragma once

#include <QAbstractButton>
#include <QColor>
#include <QFont>
#include <QWidget>

#include <functional>

class QVBoxLayout;

// The painted controls of the preferences page, in its glass-card look. Their colours are read
// at every paint, so they follow the appearance.
namespace PreferencesControls {

/// The colour with its opacity scaled.
[[nodiscard]] QColor withOpacity(QColor color, qreal opacity);

/// A button that Tab reaches. Its focus ring shows once the keyboard is in use (the focus came by
/// Tab, or a key was pressed on it), not after a click or the window's activation.
class KeyboardFocusButton : public QAbstractButton
{
    Q_OBJECT
public:
    explicit KeyboardFocusButton(QWidget *parent);

    /// Focused, and reached or used by the keyboard.
    [[nodiscard]] bool showsFocusRing() const;

protected:
    void focusInEvent(QFocusEvent *event) override;
    void focusOutEvent(QFocusEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;

private:
    bool m_keyboardFocus = false;
};

/// Where the keyboard focus is among a page's buttons, so that a page built anew in its place
/// gives it back to the same control.
struct FocusPlace
{
    qsizetype index = -1;
    bool showsRing = false;
};
[[nodiscard]] FocusPlace focusPlace(const QWidget *page);
void restoreFocus(const QWidget *page, FocusPlace place);

/// A padded card with a column layout (returned in `layout`); a CardColumn paints its background.
[[nodiscard]] QWidget *makeCard(QWidget *parent, QVBoxLayout *&layout);

/// Holds the cards and paints their backgrounds, whose shadows reach past the cards' own bounds.
class CardColumn : public QWidget
{
public:
    using QWidget::QWidget;

protected:
    void paintEvent(QPaintEvent *event) override;
};

/// A check box with a title and an optional line under it.
class GlassCheckBox : public KeyboardFocusButton
{
public:
    GlassCheckBox(const QString &label, const QString &subtitle, QWidget *parent);

    [[nodiscard]] QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    QString m_subtitle;
};

/// The capsule that opens a picker: the current choice and a chevron.
class PickerButton : public KeyboardFocusButton
{
public:
    explicit PickerButton(QWidget *parent);

    [[nodiscard]] QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent *event) override;
};

/// One choice in a picker popover, ticked when it is the current one.
class OptionRow : public KeyboardFocusButton
{
public:
    OptionRow(const QString &title, bool isCurrent, QWidget *parent);

    [[nodiscard]] QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    bool m_isCurrent;
};

/// A choice or a switch of the time card: a capsule with a small indicator and its title.
class CapsuleToggle : public KeyboardFocusButton
{
public:
    CapsuleToggle(const QString &title, QWidget *parent);

    [[nodiscard]] QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent *event) override;
};

/// The accent button of the calendar card; an ellipsis before its title while it waits.
class ProminentButton : public KeyboardFocusButton
{
public:
    ProminentButton(const QString &title, bool showsEllipsis, QWidget *parent);

    [[nodiscard]] QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    bool m_showsEllipsis;
};

/// "已授权" with its ticked disc, in the accent.
class AccessBadge : public QWidget
{
public:
    AccessBadge(const QString &text, QWidget *parent);

    [[nodiscard]] QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    QString m_text;
};

/// A small round button with a cross: clears the shortcut, closes the window.
class XmarkButton : public KeyboardFocusButton
{
public:
    XmarkButton(const QString &name, QWidget *parent);

protected:
    void paintEvent(QPaintEvent *event) override;
};

/// A picker's list of choices, in the card look, floating under its button. `onHide` runs once,
/// when it closes.
class PickerPopover : public QWidget
{
public:
    static constexpr int outerMargin = 6;
    static constexpr int innerPadding = 10;

    PickerPopover(QWidget *parent, std::function<void()> onHide);

protected:
    void paintEvent(QPaintEvent *event) override;
    /// ↑ and ↓ move through the choices, Enter or space takes the focused one.
    void keyPressEvent(QKeyEvent *event) override;
    void hideEvent(QHideEvent *event) override;

private:
    std::function<void()> m_onHide;
};

} // namespace PreferencesControls
