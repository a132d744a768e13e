#include "PanelContentContainerView.h"

#include "PanelLayout.h"

#include <QResizeEvent>

PanelContentContainerView::PanelContentContainerView(QWidget *parent)
    : QWidget(parent)
    , m_cornerRadius(PanelLayout::cornerRadius)
{
    setAttribute(Qt::WA_TranslucentBackground);
    setAutoFillBackground(false);
}

PanelContentContainerView::~PanelContentContainerView() = default;

void PanelContentContainerView::setContent(QWidget *content)
{
    m_content = content;
    content->setParent(this);
    content->setGeometry(rect());
}

void PanelContentContainerView::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    if (m_content)
        m_content->setGeometry(rect());
}
