#pragma once

#include <map>
#include <type_traits>

// A screen's control array: controls addressed by index, some indices unused. Each screen names
// its indices with an enum of its own, so that a control is asked for by what it is.
template <typename T> T *controlAt(const std::map<int, T *> &controls, int index)
{
    const auto it = controls.find(index);
    return it == controls.end() ? nullptr : it->second;
}

template <typename T, typename Index, typename = std::enable_if_t<std::is_enum_v<Index>>>
T *controlAt(const std::map<int, T *> &controls, Index index)
{
    return controlAt(controls, static_cast<int>(index));
}
