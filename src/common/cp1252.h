#pragma once

#include <string>
#include <string_view>

namespace monitor {

/** UTF-8 text to Windows-1252 bytes. A character the code page lacks, and any byte that is
 *  not valid UTF-8, becomes '?'. */
std::string Utf8ToCp1252(std::string_view utf8);

/** Windows-1252 bytes to UTF-8. The five bytes the code page leaves undefined map to the
 *  C1 control of the same value, as Windows does. */
std::string Cp1252ToUtf8(std::string_view bytes);

/** What survives a trip through the code page: the text the monitor stores in a database
 *  column that the point-of-sale reads as single-byte text. */
std::string Cp1252Roundtrip(std::string_view utf8);

/** Reads the UTF-8 sequence at `i` into `cp` and moves past it. An invalid sequence (overlong,
 *  a surrogate, beyond U+10FFFF, cut short) gives false and moves one byte on. */
bool NextUtf8CodePoint(std::string_view utf8, std::size_t& i, char32_t& cp) noexcept;

/** Appends the UTF-8 sequence of a code point (one that is valid, not a surrogate). */
void AppendUtf8(std::string& out, char32_t cp);

/** Cuts UTF-8 text to at most `chars` characters, never inside a character. */
std::string Utf8Left(std::string_view utf8, std::size_t chars);

}  // namespace monitor
