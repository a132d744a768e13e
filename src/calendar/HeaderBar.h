#pragma once

#include <QFont>
#include <QWidget>

class CalendarViewModel;
class FadeTransition;

// The panel's top row: the displayed month's title on the left and the selected day's lunar
// date on the right, at most 116 wide.
class HeaderBar : public QWidget
{
    Q_OBJECT
public:
    static constexpr qreal spacing = 12;
    static constexpr qreal minimumGap = 8;
    static constexpr qreal lunarMaximumWidth = 116;
    static constexpr qreal lunarTopPadding = 5;
    static constexpr qreal ownLineGap = 2;
    static constexpr qreal lunarMinimumScale = 0.74;

    [[nodiscard]] static const QFont &titleFont();
    [[nodiscard]] static const QFont &lunarFont();

    explicit HeaderBar(CalendarViewModel &viewModel, QWidget *parent = nullptr);
    ~HeaderBar() override;

    [[nodiscard]] QString titleText() const;
    /// The lunar date with " · " between its parts, then the day's festival or solar term.
    [[nodiscard]] QString lunarText() const;
    /// Where the lunar line is drawn; its width is what is left beside the title, at most 116.
    [[nodiscard]] QRectF lunarRect() const;
    /// The lunar line does not fit beside the title even shrunk, so it goes under it.
    [[nodiscard]] bool isLunarOnItsOwnLine() const;

    void setAnimationsEnabled(bool enabled);

    [[nodiscard]] QSize sizeHint() const override;
    [[nodiscard]] QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

private:
    [[nodiscard]] qreal roomBesideTitle() const;

    CalendarViewModel &m_viewModel;
    FadeTransition *m_transition;
};
