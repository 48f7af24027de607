// The statement helpers through which every part of the server reads and
// writes the database: all on the one connection of the request context,
// every statement written to the SQL log first when its switch is on.
// Values enter statements as literals (db/sql_text.h); nothing is prepared.
#ifndef KELMAR_DB_SQL_HELPERS_H_
#define KELMAR_DB_SQL_HELPERS_H_

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "core/conventions.h"
#include "db/record_array.h"
#include "db/value.h"

namespace kelmar {

struct Context;

// EJECUTESQL: runs a statement (or batch) that returns no rows. On failure
// returns false and, when `error` is given, stores the driver's message
// there (nothing when no statement could be allocated).
bool EJECUTESQL(const Context& ctx, std::string_view sql,
                std::string* error = nullptr);

// SEEKSQL: "SELECT TOP 1 <select or *> FROM <table><hint> WHERE <keys>".
// The hint " WITH ( NOLOCK ) " is left out when `table` is longer than 10
// characters (a table followed by a join). Returns whether a row was found.
// Found or not, `rows` gets one entry per result column with every value
// read (a missing row gives the blanks of the type letters: text of the
// width, 0, the empty date, false) and detached from the statement. A
// failed statement sets *error and leaves `rows` without entries. A `rows`
// that already holds entries sets *error, is reported in the event log and
// is emptied first, so the lookup still works.
bool SEEKSQL(const Context& ctx, std::string_view table, RecordArray* rows,
             const std::vector<std::string>& key_names,
             const std::vector<Value>& key_values,
             std::string_view select_list = {}, bool upper_table = true,
             bool* error = nullptr);

// The FROM text of SEEKSQLMUL for `table` (upper-cased): the table, the
// no-lock hint and its fixed join; empty for a table outside the catalogue.
std::string SeekJoinFrom(std::string_view table);

// SEEKSQLMUL: SEEKSQL over `table` joined by its fixed join, selecting
// "<TABLE>.*" (or `select_list`) plus `joined_columns`; key names are
// qualified by the table and `extra_condition` is added with " AND ".
// Failures are not reported beyond the not-found result.
bool SEEKSQLMUL(const Context& ctx, std::string_view table, RecordArray* rows,
                const std::vector<std::string>& key_names,
                const std::vector<Value>& key_values,
                std::string_view select_list, std::string_view joined_columns,
                std::string_view extra_condition = {});

// TOPSQL: the first row of "SELECT TOP 1 <select> FROM <table> WITH
// ( NOLOCK ) [WHERE <condition>] ORDER BY <order>"; without an order the
// condition is ignored too. Every value is read and the statement freed.
// Without a row the entries keep their (cursor) blanks.
bool TOPSQL(const Context& ctx, std::string_view table, RecordArray* rows,
            std::string_view order = {}, std::string_view condition = {},
            std::string_view select_list = "*");

// BOTTOMSQL: like TOPSQL with "ORDER BY <order> DESC ", without the no-lock
// hint when `locking` is true. Without an order it runs nothing and returns
// false.
bool BOTTOMSQL(const Context& ctx, std::string_view table, RecordArray* rows,
               std::string_view order, std::string_view condition = {},
               std::string_view select_list = "*", bool locking = false);

// CUENTAREGSQL: "SELECT COUNT(*) AS CUANTOS FROM " + table + tail; 0 when
// the statement fails. The tail carries its own leading blank and WHERE.
int64_t CUENTAREGSQL(const Context& ctx, std::string_view table,
                     std::string_view tail = {});

// CUENTAYSUMAREGSQL: "SELECT " + select + " FROM " + table + tail, with the
// first row's values read.
RecordArray CUENTAYSUMAREGSQL(const Context& ctx, std::string_view table,
                              std::string_view tail,
                              std::string_view select_list);

// ULTIMOID: the last identity value generated on the connection (whole
// part), 0 when there is none.
int64_t ULTIMOID(const Context& ctx);

// FEHORASER: the database server's current date and the seconds since
// midnight of its current time, read from its style-9 time text.
struct ServerTime {
  Date date;
  int seconds = 0;
};
ServerTime FEHORASER(const Context& ctx);

// The seconds since midnight of a style-9 time text ("Dec 11 2026  1:05:03:
// 123PM"), counted from its end; 0 for a text too short to hold a time.
int SecondsFromStyle9(std::string_view hora);

}  // namespace kelmar

#endif  // KELMAR_DB_SQL_HELPERS_H_
