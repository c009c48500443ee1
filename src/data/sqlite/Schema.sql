-- The delivered books in a file (SQLite), built into the program. Each statement that makes a table,
-- an index or a trigger is kept to the character as the books store it in their schema, so that books
-- made by earlier versions and new ones read alike: that is why some of them run on one long line.

-- books: begin (the tables of the books' own data and their indexes; also read for their fields)
CREATE TABLE Account(
  AccountIndex INTEGER PRIMARY KEY AUTOINCREMENT,
  AccountName TEXT COLLATE NOCASE,
  AccountType INTEGER);
CREATE TABLE MoneyTable(
  MoneyIndex INTEGER PRIMARY KEY AUTOINCREMENT,
  MoneySerial TEXT COLLATE NOCASE,
  MoneyCreateTime TEXT,
  MoneyRecordTime TEXT,
  MoneyAccount INTEGER,
  MoneyUser TEXT COLLATE NOCASE,
  MoneySum REAL,
  MoneyMan TEXT COLLATE NOCASE,
  MoneyReason TEXT COLLATE NOCASE,
  MoneyType TEXT COLLATE NOCASE,
  MoneyToken TEXT COLLATE NOCASE,
  MoneyRemark TEXT COLLATE NOCASE);
CREATE TABLE GetPay(
  GetPayIndex INTEGER PRIMARY KEY AUTOINCREMENT,
  GetPayTime TEXT,
  GetPayUser TEXT COLLATE NOCASE,
  GetPaySum REAL,
  GetPayRemark TEXT COLLATE NOCASE);
CREATE TABLE Parameter(
  ParameterType INTEGER,
  ParameterValue TEXT COLLATE NOCASE);
CREATE TABLE Power(
  PowerName TEXT COLLATE NOCASE,
  PowerKey TEXT);
CREATE TABLE PrintTable(
  PrintIndex INTEGER,
  PrintValue1 TEXT, PrintValue2 TEXT, PrintValue3 TEXT, PrintValue4 TEXT, PrintValue5 TEXT,
  PrintValue6 TEXT, PrintValue7 TEXT, PrintValue8 TEXT, PrintValue9 TEXT, PrintValue10 TEXT,
  PrintEnable INTEGER);
CREATE TABLE PrintDay(
  DayName TEXT,
  DayGetNum INTEGER,
  DayGetSum REAL,
  DayPayNum INTEGER,
  DayPaySum REAL,
  DayCount REAL);
CREATE INDEX MoneyByAccountDay ON MoneyTable(MoneyAccount, MoneyCreateTime, MoneySum);
CREATE INDEX MoneyByDay ON MoneyTable(MoneyCreateTime);
CREATE INDEX AccountByName ON Account(AccountName);
CREATE INDEX ParameterByType ON Parameter(ParameterType);
CREATE INDEX PrintTableByIndex ON PrintTable(PrintIndex);
-- Planner statistics of well-filled books, so that from the first day the balance sums walk the
-- (account, day, amount) index account by account instead of visiting every record of the journal.
ANALYZE sqlite_schema;
DELETE FROM sqlite_stat1;
INSERT INTO sqlite_stat1(tbl, idx, stat) VALUES
  ('Account', NULL, '50'),
  ('Account', 'AccountByName', '50 1'),
  ('MoneyTable', 'MoneyByAccountDay', '1000000 20000 20 2'),
  ('MoneyTable', 'MoneyByDay', '1000000 300');
-- books: end

-- month totals: begin (the program runs this part again on books made before it, and to put back a
-- table or trigger removed by hand)
-- The month of a record is its date text's first seven characters. A record's month is summed again
-- from its records (in the order of the account-and-day index) at every change, so a total never
-- drifts by the rounding of many small additions.
CREATE TABLE MoneyMonth(  MonthAccount INTEGER NOT NULL,  MonthText TEXT NOT NULL,  MonthSum REAL,  PRIMARY KEY(MonthAccount, MonthText)) WITHOUT ROWID;
CREATE TRIGGER MoneyMonthInsert AFTER INSERT ON MoneyTable BEGIN DELETE FROM MoneyMonth WHERE MonthAccount = NEW.MoneyAccount AND MonthText = substr(NEW.MoneyCreateTime,1,7);INSERT INTO MoneyMonth(MonthAccount, MonthText, MonthSum) SELECT NEW.MoneyAccount, substr(NEW.MoneyCreateTime,1,7), Sum(MoneySum) FROM MoneyTable WHERE MoneyAccount = NEW.MoneyAccount AND MoneyCreateTime >= substr(NEW.MoneyCreateTime,1,7) AND MoneyCreateTime < substr(NEW.MoneyCreateTime,1,7) || char(1114111) HAVING Count(*) > 0 AND NEW.MoneyAccount IS NOT NULL AND NEW.MoneyCreateTime IS NOT NULL; END;
CREATE TRIGGER MoneyMonthDelete AFTER DELETE ON MoneyTable BEGIN DELETE FROM MoneyMonth WHERE MonthAccount = OLD.MoneyAccount AND MonthText = substr(OLD.MoneyCreateTime,1,7);INSERT INTO MoneyMonth(MonthAccount, MonthText, MonthSum) SELECT OLD.MoneyAccount, substr(OLD.MoneyCreateTime,1,7), Sum(MoneySum) FROM MoneyTable WHERE MoneyAccount = OLD.MoneyAccount AND MoneyCreateTime >= substr(OLD.MoneyCreateTime,1,7) AND MoneyCreateTime < substr(OLD.MoneyCreateTime,1,7) || char(1114111) HAVING Count(*) > 0 AND OLD.MoneyAccount IS NOT NULL AND OLD.MoneyCreateTime IS NOT NULL; END;
CREATE TRIGGER MoneyMonthUpdate AFTER UPDATE OF MoneySum, MoneyAccount, MoneyCreateTime ON MoneyTable BEGIN DELETE FROM MoneyMonth WHERE MonthAccount = OLD.MoneyAccount AND MonthText = substr(OLD.MoneyCreateTime,1,7);INSERT INTO MoneyMonth(MonthAccount, MonthText, MonthSum) SELECT OLD.MoneyAccount, substr(OLD.MoneyCreateTime,1,7), Sum(MoneySum) FROM MoneyTable WHERE MoneyAccount = OLD.MoneyAccount AND MoneyCreateTime >= substr(OLD.MoneyCreateTime,1,7) AND MoneyCreateTime < substr(OLD.MoneyCreateTime,1,7) || char(1114111) HAVING Count(*) > 0 AND OLD.MoneyAccount IS NOT NULL AND OLD.MoneyCreateTime IS NOT NULL;DELETE FROM MoneyMonth WHERE MonthAccount = NEW.MoneyAccount AND MonthText = substr(NEW.MoneyCreateTime,1,7);INSERT INTO MoneyMonth(MonthAccount, MonthText, MonthSum) SELECT NEW.MoneyAccount, substr(NEW.MoneyCreateTime,1,7), Sum(MoneySum) FROM MoneyTable WHERE MoneyAccount = NEW.MoneyAccount AND MoneyCreateTime >= substr(NEW.MoneyCreateTime,1,7) AND MoneyCreateTime < substr(NEW.MoneyCreateTime,1,7) || char(1114111) HAVING Count(*) > 0 AND NEW.MoneyAccount IS NOT NULL AND NEW.MoneyCreateTime IS NOT NULL; END;
-- month totals: end

-- change record: begin (the program runs this part when books of an earlier version are opened; the
-- triggers, written for each recorded table from its fields, come after it)
CREATE TABLE IF NOT EXISTS ChangeLog(ChangeIndex INTEGER PRIMARY KEY,ChangeTime TEXT NOT NULL,ChangeOperator TEXT NOT NULL,ChangeDbUser TEXT,ChangeAddress TEXT,ChangeKind TEXT NOT NULL,ChangeTable TEXT NOT NULL,ChangeRow INTEGER,ChangeAccount INTEGER,ChangeBefore TEXT,ChangeAfter TEXT);
CREATE INDEX IF NOT EXISTS ChangeByRow ON ChangeLog(ChangeTable, ChangeRow, ChangeIndex);
CREATE INDEX IF NOT EXISTS ChangeByTime ON ChangeLog(ChangeTime);
-- change operator: begin (put back when removed by hand, since every write of the program fills it)
-- The role of the program's write transaction just now; empty outside them.
CREATE TABLE IF NOT EXISTS ChangeOperator(Operator TEXT);
INSERT INTO ChangeOperator SELECT NULL WHERE NOT EXISTS (SELECT 1 FROM ChangeOperator);
-- change operator: end
-- change record: end
