#pragma once

// The build stamp: the compile date as the number YYYYMMDD and the compile time in
// seconds since midnight. Stamps order by date, then by time.
namespace app {

struct BuildStamp {
    int date = 0;
    int time = 0;

    friend bool operator<(const BuildStamp& a, const BuildStamp& b) {
        return a.date != b.date ? a.date < b.date : a.time < b.time;
    }
    friend bool operator==(const BuildStamp& a, const BuildStamp& b) = default;
};

// From the compiler's "Jul  7 2022" and "23:13:15". A date of question marks (no date
// known) gives 1 January 1900.
BuildStamp parseBuildStamp(const char* date, const char* time);

// The stamp of this build; its translation unit is compiled anew on every build.
BuildStamp currentBuildStamp();

} // namespace app
