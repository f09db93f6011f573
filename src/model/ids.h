#pragma once
// Stable identities: an `id` attribute of 128 random bits as 32 lower-case hex digits on
// projects, tasks and sessions, so that two copies of a project edited apart can be matched
// element by element however much was renamed or moved.

#include <pugixml.hpp>

#include <functional>
#include <string>
#include <string_view>

// Whether the text is an id: exactly 32 lower-case hex digits.
bool IsId(std::string_view text);

// A fresh id from the current id source (by default the system's random device).
std::string NewId();

// Where NewId draws from: a function returning an id each call. Tests set one that counts;
// an empty function restores the random device. Returns the source it replaced.
using IdSource = std::function<std::string()>;
IdSource SetIdSource(IdSource source);

// The id of the given number, zero-padded: the ids a test's counting source hands out.
std::string IdOfNumber(unsigned long long number);

// Gives `element` an id if it has none; true when it was given.
bool GiveId(pugi::xml_node element);

// Gives an id to `top` and every task below it that has none; true when any was given.
// An id already there is left as it is, even when it is not of our form.
bool GiveIds(pugi::xml_node top);
