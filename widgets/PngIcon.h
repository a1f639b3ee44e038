#pragma once

#include <QIcon>

// The program's own pictures are PNG files among its resources. A QIcon made from a file name asks
// every installed image plugin whether it reads the file, loading them all (and their libraries)
// while the first window is built; read as what they are, none is loaded.
namespace PngIcon {
QIcon fromFile(const QString &path);

// Reads the picture now, for the next fromFile of the same path: start-up decodes the first
// screen's pictures while another thread reads the font configuration.
void preload(const QString &path);
} // namespace PngIcon
