#pragma once

// The list of every icon the program installs, each with the function that draws it.

#include <QImage>
#include <QString>

#include <functional>
#include <vector>

namespace art {

struct IconEntry
{
    QString path; // below the data directory, e.g. "icons/swap32.xpm"
    int size = 32;
    std::function<QImage()> draw;
};

std::vector<IconEntry> allIcons();

} // namespace art
