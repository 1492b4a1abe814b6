// SPDX-License-Identifier: GPL-3.0-or-later
#include "common/ui/tab_chain.h"

#include <QWidget>

QList<QWidget*> tabChainOf(QWidget* root)
{
    QList<QWidget*> chain;
    for (QWidget* widget = root->nextInFocusChain(); widget != root; widget = widget->nextInFocusChain()) {
        if (root->isAncestorOf(widget) && (widget->focusPolicy() & Qt::TabFocus) && !chain.contains(widget))
            chain.append(widget);
    }
    return chain;
}

void setTabChain(const QList<QWidget*>& widgets)
{
    for (qsizetype i = 1; i < widgets.size(); ++i)
        QWidget::setTabOrder(widgets[i - 1], widgets[i]);
}
