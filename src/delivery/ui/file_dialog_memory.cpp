// SPDX-License-Identifier: GPL-3.0-or-later
#include "delivery/ui/file_dialog_memory.h"

#include <QFileInfo>

QString FileDialogMemory::openFile(const QString& dir, const QString& fileName,
                                   const QString& filter)
{
    lastDir_ = dir;
    return remember(prompts_.openFile(dir, fileName, filter));
}

QString FileDialogMemory::saveFile(const QString& dir, const QString& fileName,
                                   const QString& filter)
{
    if (!dir.isEmpty())
        lastDir_ = dir;
    return remember(prompts_.saveFile(lastDir_, fileName, filter));
}

QString FileDialogMemory::remember(const QString& chosen)
{
    if (chosen.isEmpty())
        return chosen;
    lastPath_ = chosen;
    lastDir_ = QFileInfo(chosen).absolutePath();
    return chosen;
}
