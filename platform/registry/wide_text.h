// UTF-16 text as the hives hold it: conversion to and from ANSI (code page 1252) and UTF-8,
// and the case folding registry names are compared with.
#pragma once

#include <string>
#include <string_view>

namespace platform::regtext {

std::u16string fromAnsi(std::string_view ansi);
// Characters without an ANSI form become '?'.
std::string toAnsi(std::u16string_view wide);

// Bytes of a hive or .reg file: valid UTF-8 sequences decode, other bytes are taken as Latin-1.
std::u16string fromUtf8Lenient(std::string_view bytes);
std::string toUtf8(std::u16string_view wide);

// Lower-case folding of the Latin, Greek and Cyrillic letters; used for equality and for the
// order of names, which Wine sorts by their lower-case form.
char16_t foldChar(char16_t c);
std::u16string fold(std::u16string_view s);
int compareFolded(std::u16string_view a, std::u16string_view b);
bool equalFolded(std::u16string_view a, std::u16string_view b);

// UTF-16LE bytes and back (an odd last byte is dropped).
std::string toLeBytes(std::u16string_view wide);
std::u16string fromLeBytes(std::string_view bytes);

}  // namespace platform::regtext
