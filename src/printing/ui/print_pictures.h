// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QPixmap>
#include <QWidget>

// Small pictures of the two printouts for the printing page.
QPixmap labelSheetPicture();
QPixmap tablePicture();

// A tack sheet with every dimension marked by the access key of its field.
class SheetDrawing : public QWidget {
    Q_OBJECT
public:
    explicit SheetDrawing(QWidget* parent = nullptr);
    QSize sizeHint() const override { return {260, 300}; }

protected:
    void paintEvent(QPaintEvent* event) override;
};
