#pragma once

#include <QWidget>

// The panel's only child: clips its content to the panel's rounded shape, transparent outside.
class PanelContentContainerView : public QWidget
{
    Q_OBJECT

public:
    explicit PanelContentContainerView(QWidget *parent = nullptr);
    ~PanelContentContainerView() override;

    [[nodiscard]] int cornerRadius() const { return m_cornerRadius; }

    /// Hosts the content, sized with the container.
    void setContent(QWidget *content);

protected:
    void resizeEvent(QResizeEvent *event) override;

private:
    int m_cornerRadius;
    QWidget *m_content = nullptr;
};
