#pragma once
// The text of the current user's security identifier ("S-1-5-21-..."): the
// part of a name in the Global\ namespace that makes it one per user, in
// every session, as the user's settings are.

#include <string>

// Empty when the process token cannot be read.
std::wstring CurrentUserSid();
