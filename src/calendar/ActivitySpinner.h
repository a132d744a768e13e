#pragma once

#include <QColor>
#include <QTimer>
#include <QWidget>

// A small spinning progress indicator: eight spokes whose brightness runs round, turning only
// while the spinner is visible.
class ActivitySpinner : public QWidget
{
    Q_OBJECT
public:
    explicit ActivitySpinner(qreal diameter = 16, QWidget *parent = nullptr);
    ~ActivitySpinner() override;

    [[nodiscard]] QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent *event) override;
    void showEvent(QShowEvent *event) override;
    void hideEvent(QHideEvent *event) override;

private:
    qreal m_diameter;
    int m_step = 0;
    QTimer m_timer;
};
