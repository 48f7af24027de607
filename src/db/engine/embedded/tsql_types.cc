#include "db/engine/embedded/tsql_types.h"

#include <cctype>
#include <cstdlib>

namespace kelmar {

bool SameName(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (std::tolower(static_cast<unsigned char>(a[i])) !=
        std::tolower(static_cast<unsigned char>(b[i])))
      return false;
  }
  return true;
}

const TableColumn* TableInfo::Find(std::string_view column) const {
  for (const TableColumn& c : columns) {
    if (SameName(c.name, column)) return &c;
  }
  return nullptr;
}

TsqlType ParseTsqlType(std::string_view declared) {
  TsqlType t;
  std::string base;
  std::vector<std::string> args;
  std::string cur;
  bool in_args = false;
  for (char ch : declared) {
    unsigned char c = static_cast<unsigned char>(ch);
    if (std::isspace(c) || c == '[' || c == ']') continue;
    if (c == '(') {
      in_args = true;
      continue;
    }
    if (c == ')') break;
    if (in_args) {
      if (c == ',') {
        args.push_back(cur);
        cur.clear();
      } else {
        cur += static_cast<char>(std::tolower(c));
      }
    } else {
      base += static_cast<char>(std::tolower(c));
    }
  }
  if (in_args) args.push_back(cur);
  t.base = base;
  auto arg = [&](size_t i, int dflt) {
    if (i >= args.size() || args[i].empty()) return dflt;
    if (args[i] == "max") return 0;
    return std::atoi(args[i].c_str());
  };
  if (base == "char" || base == "nchar" || base == "character") {
    t.kind = TsqlType::kChar;
    t.length = arg(0, 1);
    t.wide = base == "nchar";
  } else if (base == "varchar" || base == "nvarchar" || base == "sysname") {
    t.kind = TsqlType::kVarchar;
    t.length = base == "sysname" ? 128 : arg(0, 1);
    t.wide = base != "varchar";
  } else if (base == "text" || base == "ntext") {
    t.kind = TsqlType::kText;
    t.wide = base == "ntext";
  } else if (base == "int" || base == "integer" || base == "smallint" ||
             base == "tinyint" || base == "bigint") {
    t.kind = TsqlType::kInt;
  } else if (base == "bit") {
    t.kind = TsqlType::kBit;
  } else if (base == "float" || base == "real" || base == "double") {
    t.kind = TsqlType::kFloat;
  } else if (base == "decimal" || base == "numeric" || base == "dec") {
    t.kind = TsqlType::kDecimal;
    t.precision = arg(0, 18);
    t.scale = arg(1, 0);
  } else if (base == "money" || base == "smallmoney") {
    t.kind = TsqlType::kDecimal;
    t.precision = base == "money" ? 19 : 10;
    t.scale = 4;
  } else if (base == "datetime" || base == "smalldatetime" || base == "date" ||
             base == "datetime2") {
    t.kind = TsqlType::kDatetime;
  } else if (base == "image" || base == "binary" || base == "varbinary" ||
             base == "timestamp") {
    t.kind = TsqlType::kBinary;
    t.length = arg(0, 1);
  }
  return t;
}

std::string CanonicalTypeText(const TsqlType& t) {
  switch (t.kind) {
    case TsqlType::kChar:
    case TsqlType::kVarchar:
      return t.base + "(" + (t.length ? std::to_string(t.length) : "max") + ")";
    case TsqlType::kDecimal:
      if (t.base == "money" || t.base == "smallmoney") return t.base;
      return t.base + "(" + std::to_string(t.precision) + "," +
             std::to_string(t.scale) + ")";
    case TsqlType::kBinary:
      if (t.base == "image" || t.base == "timestamp") return t.base;
      return t.base + "(" + (t.length ? std::to_string(t.length) : "max") + ")";
    default:
      return t.base;
  }
}

void DescribeTsqlType(const TsqlType& t, ColumnDescription* d) {
  d->decimal_digits = 0;
  switch (t.kind) {
    case TsqlType::kChar:
      d->sql_type = t.wide ? kSqlWChar : kSqlChar;
      d->column_size = t.length;
      break;
    case TsqlType::kVarchar:
      d->sql_type = t.wide ? kSqlWVarchar : kSqlVarchar;
      d->column_size = t.length;
      break;
    case TsqlType::kText:
      d->sql_type = t.wide ? kSqlWLongVarchar : kSqlLongVarchar;
      d->column_size = t.wide ? 1073741823 : 2147483647;
      break;
    case TsqlType::kInt:
      if (t.base == "smallint") {
        d->sql_type = kSqlSmallInt;
        d->column_size = 5;
      } else if (t.base == "tinyint") {
        d->sql_type = kSqlTinyInt;
        d->column_size = 3;
      } else if (t.base == "bigint") {
        d->sql_type = kSqlBigInt;
        d->column_size = 19;
      } else {
        d->sql_type = kSqlInteger;
        d->column_size = 10;
      }
      break;
    case TsqlType::kBit:
      d->sql_type = kSqlBit;
      d->column_size = 1;
      break;
    case TsqlType::kFloat:
      if (t.base == "real") {
        d->sql_type = kSqlReal;
        d->column_size = 24;
      } else {
        d->sql_type = kSqlFloat;
        d->column_size = 53;
      }
      break;
    case TsqlType::kDecimal:
      d->sql_type = t.base == "numeric" ? kSqlNumeric : kSqlDecimal;
      d->column_size = t.precision;
      d->decimal_digits = t.scale;
      break;
    case TsqlType::kDatetime:
      d->sql_type = kSqlTimestamp;
      d->column_size = t.base == "smalldatetime" ? 16 : 23;
      d->decimal_digits = t.base == "smalldatetime" ? 0 : 3;
      break;
    case TsqlType::kBinary:
      if (t.base == "image") {
        d->sql_type = kSqlLongVarBinary;
        d->column_size = 2147483647;
      } else {
        d->sql_type = t.base == "binary" ? kSqlBinary : kSqlVarBinary;
        d->column_size = t.length;
      }
      break;
    case TsqlType::kUnknown:
      d->sql_type = kSqlVarchar;
      d->column_size = 255;
      break;
  }
}

}  // namespace kelmar
