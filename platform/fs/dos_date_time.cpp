#include "platform/fs/file_system.h"

#include <ctime>

namespace platform {
namespace {

bool leap(int y) { return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0; }
int daysIn(int year, int month) {
  static constexpr int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  return month == 2 && leap(year) ? 29 : kDays[month - 1];
}

}  // namespace

std::optional<std::uint32_t> DosDateTime::pack(int year, int month, int day, int hour, int minute, int second) {
  if (year < 1980 || year > 2107 || month < 1 || month > 12 || day < 1 || day > daysIn(year, month) ||
      hour < 0 || hour > 23 || minute < 0 || minute > 59 || second < 0 || second > 59) {
    return std::nullopt;
  }
  std::uint32_t date = static_cast<std::uint32_t>((year - 1980) << 9 | month << 5 | day);
  std::uint32_t time = static_cast<std::uint32_t>(hour << 11 | minute << 5 | second / 2);
  return date << 16 | time;
}

std::uint32_t DosDateTime::fromUnix(std::int64_t seconds) {
  std::time_t t = static_cast<std::time_t>(seconds);
  std::tm tm{};
  if (!localtime_r(&t, &tm)) return kMin;
  int year = tm.tm_year + 1900;
  if (year < 1980) return kMin;
  if (year > 2107) return *pack(2107, 12, 31, 23, 59, 58);
  // A leap second (tm_sec 60) counts as the last even second of its minute.
  auto v = pack(year, tm.tm_mon + 1, tm.tm_mday, tm.tm_hour, tm.tm_min, tm.tm_sec > 59 ? 58 : tm.tm_sec);
  return v ? *v : kMin;
}

std::optional<std::int64_t> DosDateTime::toUnix(std::uint32_t dos) {
  std::uint32_t date = dos >> 16, time = dos & 0xFFFF;
  int year = static_cast<int>(date >> 9) + 1980;
  int month = static_cast<int>((date >> 5) & 0x0F);
  int day = static_cast<int>(date & 0x1F);
  int hour = static_cast<int>(time >> 11);
  int minute = static_cast<int>((time >> 5) & 0x3F);
  int second = static_cast<int>(time & 0x1F) * 2;
  if (!pack(year, month, day, hour, minute, second)) return std::nullopt;
  std::tm tm{};
  tm.tm_year = year - 1900;
  tm.tm_mon = month - 1;
  tm.tm_mday = day;
  tm.tm_hour = hour;
  tm.tm_min = minute;
  tm.tm_sec = second;
  tm.tm_isdst = -1;  // let the zone's rules decide, as the local time it is
  std::time_t t = std::mktime(&tm);
  if (t == static_cast<std::time_t>(-1) && !(tm.tm_year == 69 && tm.tm_mon == 11 && tm.tm_mday == 31)) {
    return std::nullopt;
  }
  return static_cast<std::int64_t>(t);
}

}  // namespace platform
