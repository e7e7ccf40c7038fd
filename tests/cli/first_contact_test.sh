#!/usr/bin/env bash
# A first import as a new user makes it: `vandrel sniff` on files as other programs write
# them, and `vandrel import` with no saved layout and no --field rows.
set -u
vandrel=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0
passes=0
fail() { echo "FAIL $1"; shift; [ $# -gt 0 ] && cat "$@"; failures=$((failures + 1)); }
pass() { passes=$((passes + 1)); }
run() {  # run NAME WANTED_STATUS COMMAND...: output in out and err
  local name=$1 wanted=$2
  shift 2
  "$@" >"$work/out" 2>"$work/err"
  local status=$?
  [ "$status" -eq "$wanted" ] && pass || fail "$name: exit $status, wanted $wanted" "$work/out" "$work/err"
}
has() {  # has NAME FILE TEXT
  grep -qF -- "$3" "$work/$2" && pass || fail "$1: '$3' not in $2" "$work/$2"
}
same() {  # same NAME ACTUAL WANTED
  [ "$2" = "$3" ] && pass || fail "$1: got [$2], wanted [$3]"
}
sniff() {  # sniff FILE [OPTIONS]: the guess in one line of JSON, without blanks
  "$vandrel" sniff "$@" --json | tr -d ' \n'
}

# A spreadsheet's CSV: a header, quotes, a separator and a line break inside quotes.
printf '%s\r\n' 'Order ID,Customer,Città,Order Date,Amount,Paid' '1,"Rossi, Anna",Forlì,2024-03-01,12.50,true' \
  '2,"Bruno ""il grande""",Roma,2024-03-02,7.00,false' '3,"Carla' 'Dè Santis",Milano,2024-03-05,100.25,yes' \
  >"$work/sales.csv"
same sniff-csv "$(sniff "$work/sales.csv")" \
  '{"encoding":"utf-8","type":"delimited","separator":",","delimiter":"\"","skip":1,"header":true,"decimal":".","dates":"YMD","columns":[{"name":"OrderID","type":"INTEGER","begin":null,"end":null},{"name":"Customer","type":"TEXT","begin":null,"end":null},{"name":"Città","type":"TEXT","begin":null,"end":null},{"name":"OrderDate","type":"DATE","begin":null,"end":null},{"name":"Amount","type":"DECIMAL(18,2)","begin":null,"end":null},{"name":"Paid","type":"BOOLEAN","begin":null,"end":null}]}'
run sniff-readable 0 "$vandrel" sniff "$work/sales.csv"
has sniff-readable out "vandrel import --db DATABASE --table TABLE --file '$work/sales.csv' --create"

# The one-command import: the SQLite file, the table and the error table are made.
run import-create 0 "$vandrel" import --db "$work/shop.db" --table sales --file "$work/sales.csv" --create
has import-create out "3 rows stored, 0 lines logged"
has import-create err "guessed: utf-8, ',' separated, '\"' quoted, 1 header line"
same import-create-rows "$(sqlite3 "$work/shop.db" "SELECT \"Order ID\", Customer, typeof(Amount), Paid FROM sales WHERE \"Order ID\" < 3 ORDER BY 1" | tr '\n' '/')" \
  '1|Rossi, Anna|real|1/2|Bruno "il grande"|integer|0/'
same import-create-break "$(sqlite3 "$work/shop.db" "SELECT hex(Customer) FROM sales WHERE \"Order ID\" = 3")" \
  "$(printf 'Carla\r\nDè Santis' | od -An -tx1 | tr -d ' \n' | tr a-f A-F)"
same import-create-errors "$(sqlite3 "$work/shop.db" "SELECT count(*) FROM sales_errors")" "0"
# The names come from the header the guess found: not the rule a shell draws under it, and
# read in the guessed encoding (UTF-16 without a byte-order mark).
printf ' id | name  | city\n----+-------+------\n  1 | Anna  | Roma\n' >"$work/psql.txt"
run import-ruled 0 "$vandrel" import --db "$work/ruled.db" --table t --file "$work/psql.txt" --create
same import-ruled-columns "$(sqlite3 "$work/ruled.db" "SELECT group_concat(name) FROM pragma_table_info('t')")" \
  "id,name,city"
run import-ruled-given 0 "$vandrel" import --db "$work/ruled2.db" --table t --file "$work/psql.txt" \
  --separator '|' --create
same import-ruled-given-columns \
  "$(sqlite3 "$work/ruled2.db" "SELECT group_concat(name) FROM pragma_table_info('t')")" "id,name,city"
printf 'nome;citta\nAnna;Roma\n' | iconv -t UTF-16LE >"$work/u16.txt"
run import-utf16 0 "$vandrel" import --db "$work/u16.db" --table t --file "$work/u16.txt" --create
same import-utf16-rows "$(sqlite3 "$work/u16.db" "SELECT nome || '/' || citta FROM t")" "Anna/Roma"
# A guessed layout holds whatever a saved one could not: here 40 fixed-width columns.
{ printf 'c%02d ' $(seq 0 39); echo; printf '%3d ' $(seq 0 39); echo; } >"$work/wide.txt"
run import-wide 0 "$vandrel" import --db "$work/wide.db" --table t --file "$work/wide.txt" --create
same import-wide-row "$(sqlite3 "$work/wide.db" "SELECT c00 || '/' || c39 FROM t")" "0/39"
# Again into the table now there: nothing is created, the rows are added.
run import-again 0 "$vandrel" import --db "$work/shop.db" --table sales --file "$work/sales.csv"
has import-again out "3 rows stored"
if grep -q created "$work/err"; then fail "import-again created a table" "$work/err"; else pass; fi
# Without --create a missing table is the usual error, and nothing is made.
run import-no-table 1 "$vandrel" import --db "$work/shop.db" --table nope --file "$work/sales.csv"
has import-no-table err "error 380: La tabella passata come TabImport non esiste"
same import-no-table-made "$(sqlite3 "$work/shop.db" "SELECT count(*) FROM sqlite_schema WHERE name LIKE 'nope%'")" "0"

# Fields find their columns by name: another order, letter case, accents, '_' for a blank;
# a column without a field keeps its default, a field without a column is named and left out.
sqlite3 "$work/map.db" "CREATE TABLE t(paid BOOLEAN, CITTA TEXT, order_id INTEGER, note TEXT DEFAULT 'none');"
run map-names 0 "$vandrel" import --db "$work/map.db" --table t --file "$work/sales.csv"
has map-names err "left out: header field 'Customer' matches no column of t"
has map-names err "created error table t_errors"
same map-names-rows "$(sqlite3 "$work/map.db" "SELECT * FROM t ORDER BY order_id" | tr '\n' '/')" \
  '1|Forlì|1|none/0|Roma|2|none/1|Milano|3|none/'
# Two header fields for one column: a usage error naming both, and nothing imported.
printf 'Order ID;order_id\n1;2\n' >"$work/dup.txt"
run map-duplicate 64 "$vandrel" import --db "$work/map.db" --table t --file "$work/dup.txt"
has map-duplicate err "'Order ID' and 'order_id' both match column 'order_id'"
# No header line: field k goes to column k; --map forces either rule.
printf '1;Rovigo\n2;Padova\n' >"$work/noheader.txt"
sqlite3 "$work/pos.db" "CREATE TABLE p(code TEXT, city TEXT); CREATE TABLE e(NumRiga, CodErr, MsgErr);"
run map-positions 0 "$vandrel" import --db "$work/pos.db" --table p --errors e --file "$work/noheader.txt"
same map-positions-rows "$(sqlite3 "$work/pos.db" "SELECT * FROM p" | tr '\n' '/')" '1|Rovigo/2|Padova/'

# A semicolon file written the Italian way: decimal commas, day-first dates, no header.
printf '1;12,50;03/04/2024\n2;1.250,00;25/12/2024\n3;7;01/01/2025\n' >"$work/it.txt"
same sniff-italian "$(sniff "$work/it.txt" | sed 's/"columns".*//')" \
  '{"encoding":"utf-8","type":"delimited","separator":";","delimiter":"\"","skip":0,"header":false,"decimal":",","dates":"DMY",'
run import-italian 0 "$vandrel" import --db "$work/it.db" --table it --file "$work/it.txt" --create
has import-italian err "decimal ',', dates DMY"
same import-italian-rows "$(sqlite3 "$work/it.db" "SELECT * FROM it ORDER BY 1" | tr '\n' '/')" \
  '1|12.5|2024-04-03/2|1250.0|2024-12-25/3|7.0|2025-01-01/'

# UTF-16 tab-separated text with a byte-order mark, as spreadsheets save "Unicode text".
printf '\xff\xfe' >"$work/u16.txt"
printf 'Nome\tEtà\r\nZoë\t30\r\nJosé\t41\r\n' | iconv -f utf-8 -t utf-16le >>"$work/u16.txt"
same sniff-utf16 "$(sniff "$work/u16.txt" | sed 's/,"decimal".*//')" \
  '{"encoding":"utf-16le","type":"delimited","separator":"\t","delimiter":"\"","skip":1,"header":true'
run import-utf16 0 "$vandrel" import --db "$work/u16.db" --table u --file "$work/u16.txt" --create
same import-utf16-rows "$(sqlite3 "$work/u16.db" "SELECT Nome, Età FROM u" | tr '\n' '/')" 'Zoë|30/José|41/'

# The first 1,000 lines clean, the later ones with bad values: the guess stands, and the bad
# lines become error rows naming their column.
{ echo "id;qty"; seq 1 1000 | sed 's/$/;5/'; printf '1001;many\n1002;7\n'; } >"$work/late.txt"
run import-late 3 "$vandrel" import --db "$work/late.db" --table late --file "$work/late.txt" --create
has import-late out "1001 rows stored, 1 line logged"
same import-late-error "$(sqlite3 "$work/late.db" "SELECT NumRiga, CodErr, NomeColonna FROM late_errors")" "1001|3421|qty"

# An inline option overrides its part of the guess; --save-spec keeps the layout used for a
# later silent import by name.
printf 'a|b\n1|2|3\n' >"$work/pipes.txt"
run import-inline 0 "$vandrel" import --db "$work/in.db" --table i --file "$work/pipes.txt" --create \
  --separator '|' --save-spec Pipes --specs-dir "$work"
same import-inline-rows "$(sqlite3 "$work/in.db" "SELECT * FROM i" | tr '\n' '/')" 'a|b|/1|2|3/'
run import-saved 0 "$vandrel" import --db "$work/in.db" --table i --file "$work/pipes.txt" \
  --spec Pipes --type delimited --specs-dir "$work"
has import-saved out "2 rows stored"
run spec-needs-type 64 "$vandrel" import --db "$work/in.db" --table i --file "$work/pipes.txt" --spec Pipes
run spec-and-inline 64 "$vandrel" import --db "$work/in.db" --table i --file "$work/pipes.txt" \
  --spec Pipes --type delimited --skip 1

# Fixed width, from the columns blank on every line.
printf 'AB    12  x\nCDE   345 yy\n' >"$work/fixed.txt"
same sniff-fixed "$(sniff "$work/fixed.txt" | sed 's/"encoding.*"header":false,//')" \
  '{"decimal":".","dates":"YMD","columns":[{"name":"column1","type":"TEXT","begin":1,"end":6},{"name":"column2","type":"INTEGER","begin":7,"end":10},{"name":"column3","type":"TEXT","begin":11,"end":12}]}'

echo "first contact: $passes passed, $failures failed"
[ "$failures" -eq 0 ]
