#pragma once

#include <map>

// A screen's control array: controls addressed by index, some indices unused.
template <typename T> T *controlAt(const std::map<int, T *> &controls, int index)
{
    const auto it = controls.find(index);
    return it == controls.end() ? nullptr : it->second;
}
