// Gregorian calendar facts shared by the date conventions of the server and
// by the database engine's date functions.
#ifndef KELMAR_PLATFORM_CALENDAR_H_
#define KELMAR_PLATFORM_CALENDAR_H_

namespace kelmar {

// True for the leap years of the proleptic Gregorian calendar.
bool IsLeapYear(int year);

// Days in `month` (1..12) of `year`; 0 for a month outside 1..12.
int DaysInMonth(int year, int month);

}  // namespace kelmar

#endif  // KELMAR_PLATFORM_CALENDAR_H_
