#include "BuildStamp.h"

#include <cstring>

namespace app {

namespace {

int digit(char c) {
    return c >= '0' && c <= '9' ? c - '0' : 0;
}

} // namespace

BuildStamp parseBuildStamp(const char* date, const char* time) {
    static const char* const months[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                         "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
    int month = 0;
    for (int i = 0; i < 12 && date && std::strlen(date) >= 11; ++i)
        if (std::strncmp(date, months[i], 3) == 0)
            month = i + 1;
    BuildStamp stamp;
    if (month == 0) {
        stamp.date = 19000101;
    } else {
        const int day = 10 * digit(date[4]) + digit(date[5]);
        const int year =
            1000 * digit(date[7]) + 100 * digit(date[8]) + 10 * digit(date[9]) + digit(date[10]);
        stamp.date = year * 10000 + month * 100 + day;
    }
    if (time && std::strlen(time) >= 8)
        stamp.time = 36000 * digit(time[0]) + 3600 * digit(time[1]) + 600 * digit(time[3]) +
                     60 * digit(time[4]) + 10 * digit(time[6]) + digit(time[7]);
    return stamp;
}

} // namespace app
