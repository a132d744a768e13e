#pragma once

#include <QAbstractButton>

// The settings button of the day dock: a gear in a 32 × 32 circle, a plain button that answers
// clicks inside the circle only; Tab gives it the keyboard focus, which its focus ring shows.
class SettingsIconLabel : public QAbstractButton
{
    Q_OBJECT
public:
    static constexpr int side = 32;

    explicit SettingsIconLabel(QWidget *parent = nullptr);
    ~SettingsIconLabel() override;

    [[nodiscard]] QSize sizeHint() const override;

protected:
    [[nodiscard]] bool hitButton(const QPoint &position) const override;
    void paintEvent(QPaintEvent *event) override;
};
