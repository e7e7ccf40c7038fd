// The table store: the few database operations an import needs, as a small interface with
// one implementation per database engine. Callers open a database by name, walk its tables,
// open a table to add rows column by column, count rows and empty a table. Every failure is
// a vandrel::Error whose number is one of StoreError below, so hosts can test for it.
//
// Lifetimes: a Recordset borrows its Database's connection and must not outlive it. Neither
// is thread-safe: one thread at a time uses a Database and its recordsets.
//
// Connect string: ';'-separated key=value pairs, keys without regard to letter case, empty
// pairs ignored. The SQLite store accepts
//   busy_timeout=MILLISECONDS  how long to wait for another writer's lock (default 5000)
//   foreign_keys=on|off        enforce FOREIGN KEY clauses (default on)
// Any other key (a password, a user name, ...) cannot be honoured and is refused with
// kErrBadConnect rather than ignored.
//
// A name starting with postgresql:// or postgres:// is a libpq connection URI and opens the
// PostgreSQL store. Its connect string holds libpq keyword=value pairs (a value may be
// single-quoted, libpq's way, to hold ';'), applied over the URI, plus
//   lock_timeout=DURATION      how long a statement waits for a lock (default 5s)
// connect_timeout defaults to 10 seconds. An unknown keyword is refused with kErrBadConnect.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "vandrel/error.h"

namespace vandrel::store {

enum StoreError : std::int32_t {
  kErrStoreOther = 3000,        // anything else, with the database engine's own message
  kErrBadConnect = 3001,        // a connect-string key the store cannot honour
  kErrDuplicateKey = 3022,      // duplicate value in a primary key or unique index
  kErrDatabaseNotFound = 3024,  // database file not found
  kErrReadOnly = 3027,          // writing through a read-only connection
  kErrTooLong = 3163,           // text too long for the column
  kErrForeignKey = 3201,        // foreign key violated
  kErrLocked = 3260,            // database busy or locked
  kErrNoColumn = 3265,          // no column of that name in the table
  kErrNoTable = 3078,           // no table of that name
  kErrRequired = 3314,          // a NOT NULL column left empty
  kErrValidation = 3317,        // CHECK constraint violated
  kErrTypeConversion = 3421,    // text the column's type cannot take
  kErrCannotOpen = 3051,        // file cannot be opened as a database / other open failure
  kErrBadAccount = 3029,        // not a valid account name or password
  kErrCannotConnect = 3151,     // the database server cannot be reached, or the link was lost
};

inline constexpr const char* kStoreSource = "Vandrel.Store";

// How the text handed to a recordset writes numbers and dates. The defaults are the strict
// forms: '.' as decimal point and no thousands separators, dates in ISO form only.
enum class DateOrder { YMD, DMY, MDY };
struct ValueFormat {
  // '.' or ','. With ',' a number may also group the digits before it in threes, separated
  // by '.', a blank or a no-break space.
  char decimalSeparator = '.';
  // Besides ISO dates, DMY and MDY take day, month and a four-digit year separated by '/',
  // '-' or '.', in that order.
  DateOrder dateOrder = DateOrder::YMD;
  friend bool operator==(const ValueFormat&, const ValueFormat&) = default;
};

// A value converted to its column's type, ready to store.
struct Value {
  enum class Type { Null, Integer, Real, Text } type = Type::Null;
  std::int64_t integer = 0;
  double real = 0;
  std::string text;
};

// A column of a table to create.
struct NewColumn {
  std::string name;
  std::string type;
};

// A queued row that could not be stored, with the tag it was queued under, and the column
// (or the columns of a key, "a, b") the database names as refused; empty when it names none
// or the store does not say.
struct QueuedFailure {
  std::int64_t tag;
  Error error;
  std::string column = {};
};

// A table opened for appending rows. A row begun with AddNew and not stored with Update or
// Queue is discarded by the next AddNew or by Close.
class Recordset {
 public:
  virtual ~Recordset() = default;

  virtual std::int64_t RecordCount() = 0;
  virtual void AddNew() = 0;

  // The column's position, looked up without regard to letter case (kErrNoColumn when absent).
  virtual int ColumnIndex(std::string_view column) const = 0;
  // The names of the table's columns, in the table's order.
  virtual std::vector<std::string> ColumnNames() const = 0;
  // The most characters a text column takes, -1 without a limit.
  virtual int MaxLength(int column) const = 0;
  // Whether any text goes into the column as it is: a text column, or one of no declared
  // type (a number or date column would judge it).
  virtual bool TakesText(int column) const = 0;

  // How the text given to SetField writes numbers and dates; the defaults until it is set.
  void SetValueFormat(const ValueFormat& format) { format_ = format; }
  const ValueFormat& GetValueFormat() const { return format_; }

  // Assigns a column of the pending row. Text is UTF-8 and is converted to the column's
  // declared type, strictly, as the value format says (see the README for the rules); a
  // number is stored as given.
  virtual void SetField(int column, std::string_view text) = 0;
  virtual void SetField(int column, std::int64_t number) = 0;
  // SetField in two steps, for a loop that converts on one thread and stores on another.
  // Convert checks and converts `text` for `column` as SetField would (throwing the same
  // errors) without touching the pending row; it reads only the table's columns and the value
  // format, so it may run on another thread while the recordset is in use. SetConverted
  // assigns the result to the pending row, taking `value` (which is left holding another
  // value whose buffer can be reused). A store that converts only as it stores keeps the text
  // in Convert and converts it in SetConverted.
  virtual void Convert(int column, std::string_view text, Value& out) const {
    (void)column;
    out.type = Value::Type::Text;
    out.text.assign(text);
  }
  virtual void SetConverted(int column, Value& value) { SetField(column, value.text); }

  void SetField(std::string_view column, std::string_view text) {
    SetField(ColumnIndex(column), text);
  }
  void SetField(std::string_view column, std::int64_t number) {
    SetField(ColumnIndex(column), number);
  }

  // Stores the pending row now; throws the store's error when it cannot be stored.
  virtual void Update() = 0;

  // Stores the pending row later, together with the rows queued after it, in one statement:
  // several times faster for a long run of rows. Rows are stored in the order queued; each
  // stands or falls on its own (a row the table silently ignores counts as failed). Flush stores
  // what is still queued and returns the rows that could not be stored since the last Flush, in
  // order, each with its tag and error. Rows still queued when the recordset is closed are not
  // stored.
  virtual void Queue(std::int64_t tag) = 0;
  virtual std::vector<QueuedFailure> Flush() = 0;

  virtual void Close() = 0;

 protected:
  ValueFormat format_;
};

class Database {
 public:
  virtual ~Database() = default;

  // The names of the tables, in the order they were created.
  virtual std::vector<std::string> TableDefs() = 0;
  virtual std::unique_ptr<Recordset> OpenRecordset(std::string_view table) = 0;
  // Whether OpenRecordset would find `table`: one of TableDefs, named exactly, or a name a
  // server store resolves itself (schema.table).
  virtual bool HasTable(std::string_view table) {
    for (const std::string& name : TableDefs()) {
      if (name == table) return true;
    }
    return false;
  }

  // Deletes every row of `table` (named exactly; the name is quoted as an identifier, so it
  // can carry no SQL). Inside a transaction the rows come back if it is rolled back.
  virtual void EmptyTable(std::string_view table) = 0;

  // Creates `table` with `columns`, names quoted as identifiers, each type one of those a
  // guessed layout names (INTEGER, REAL, DECIMAL(p,s), BOOLEAN, DATE, DATETIME, TEXT), which
  // each store declares as its own nearest type. Fails (kErrStoreOther) when it exists.
  virtual void CreateTable(std::string_view table, const std::vector<NewColumn>& columns) = 0;
  // Creates an error table named `table` with every column error rows fill: NumRiga, CodErr,
  // MsgErr, TestoRiga and NomeColonna (lower-case names on a server, which folds names).
  virtual void CreateErrorTable(std::string_view table) = 0;

  virtual const std::string& Connect() const = 0;
  virtual void SetConnect(std::string_view connect) = 0;

  // Grouping of writes. Outside a transaction each Update commits on its own. Inside one, a
  // failing Update undoes only itself; InTransaction tells whether the engine had to give up
  // the whole transaction instead (a full disk, say).
  virtual void BeginTrans() = 0;
  virtual void CommitTrans() = 0;
  virtual void Rollback() = 0;
  virtual bool InTransaction() const = 0;
  // Between two transactions of a long run of them: gives connections that wait to write a
  // bounded chance to get in before the next transaction takes the lock again. A store whose
  // writers wait for rows rather than for the whole database does nothing.
  virtual void LetOthersWrite() {}

  virtual void Close() = 0;
};

// Opens an existing database; never creates one. `readOnly` opens it for reading only;
// `exclusive` keeps other connections out while it is open.
std::unique_ptr<Database> OpenDatabase(const std::string& name, bool exclusive, bool readOnly,
                                       std::string_view connect);

// Makes an empty SQLite database file at `name` when there is none (a server database, named
// by a URI, is left alone: it exists or the server says why). Throws kErrCannotOpen when the
// file cannot be made.
void CreateDatabaseFile(const std::string& name);

// `text` with every password hidden: the value of a password=... pair (quoted or not) and
// the password of a URI's user:password@ part. For anything shown to a user or logged.
std::string MaskPasswords(std::string_view text);

}  // namespace vandrel::store
