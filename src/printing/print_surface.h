// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "common/error.h"

#include <QString>

#include <memory>

enum class PageOrientation { Portrait, Landscape };

// One printout on A4 paper. Every length is in millimetres, measured from the
// top-left corner of the printable area; text is placed by the top of its line.
class PrintSurface {
public:
    virtual ~PrintSurface() = default;
    // A4 in the given orientation, the default font face at fontPoints.
    virtual void setUp(PageOrientation orientation, int fontPoints) = 0;
    virtual double textWidth(const QString& text) = 0;
    virtual double textHeight(const QString& text) = 0;
    virtual void printText(double x, double y, const QString& text) = 0;
    virtual void line(double x1, double y1, double x2, double y2) = 0;
    virtual double printableWidth() = 0;
    virtual double printableHeight() = 0;
    virtual void newPage() = 0;
    // Releases the job; the value names the file written, if the output went to one.
    virtual Result<QString> endDocument() = 0;
};

class PrintSurfaceFactory {
public:
    virtual ~PrintSurfaceFactory() = default;
    virtual std::unique_ptr<PrintSurface> create() = 0;
};
