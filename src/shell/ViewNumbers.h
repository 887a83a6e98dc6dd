// The number of every screen, named after it. The numbers are what the scene list stores and
// what the view switch compares, so they stay plain integers with names.
#pragma once

#include <cstdint>

namespace fu {

inline constexpr int64_t NoView = 0;

// The wizard's course.
inline constexpr int64_t ReadMeView = 1;
inline constexpr int64_t CheckFontView = 2;
inline constexpr int64_t CheckNowView = 3; // the search
inline constexpr int64_t UpdateListView = 4;
inline constexpr int64_t UpdateNowView = 5; // the update run
inline constexpr int64_t SuccessView = 6;

// The outcomes that lie off the course.
inline constexpr int64_t SuccessPlusView = 93; // fonts updated, cache rebuild failed
inline constexpr int64_t NotFoundView = 94;
inline constexpr int64_t SomeErrorView = 95;
inline constexpr int64_t SomeErrorPlusView = 96; // and the cache rebuild failed too
inline constexpr int64_t AllErrorView = 97;
inline constexpr int64_t ErrorView = 98; // a search or run that ended early

// The authoring tools.
inline constexpr int64_t ParamToolView = 100;
inline constexpr int64_t TargetEditView = 101;
inline constexpr int64_t ClearCacheView = 102;
inline constexpr int64_t CreateNewView = 103;
inline constexpr int64_t FontListView = 104;
inline constexpr int64_t UserUpdateView = 105;
inline constexpr int64_t CreateUserView = 106;

} // namespace fu
