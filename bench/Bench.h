#pragma once
#include <QList>
#include <QString>
#include <QTemporaryDir>
#include <functional>
#include <memory>

#include "Bare.h"
#include "Generator.h"

class Program;
struct Windows;
class ScreenLog;

// How long one piece of work took over many runs, in milliseconds.
struct Timing
{
    double median = 0;
    double fastest = 0;
    double slowest = 0;
    int runs = 0;
};

// The program's time beside the same work done bare on the engine's own library.
struct Comparison
{
    Timing program;
    Timing bare;
};

// The memory the process holds now (resident), in kilobytes.
long residentKilobytes();

// The ground every figure stands on: a program folder with every window created (not shown), its data
// source registered, books of any size on demand (a file, or a database on a server), a stopwatch and
// the table of results.
class Bench
{
public:
    struct Options
    {
        int largest = 1000000; // the record count of the biggest books
        int accounts = 20;
        int runs = 200;        // runs of each timed piece of work
        QString server;        // the folder of the server's socket for server books; empty: books files
        QString generated;     // where generated books files are kept; empty: the program folder
        int deskSeconds = 20;  // how long the two desks work at once
    };

    struct Line
    {
        QString figure;
        int records;
        Comparison times;
    };

    explicit Bench(const Options &options);
    ~Bench();

    int largest() const { return m_options.largest; }
    int runs() const { return m_options.runs; }
    bool onServer() const { return !m_options.server.isEmpty(); }
    QString server() const { return m_options.server; }
    int deskSeconds() const { return m_options.deskSeconds; }
    QString programDir() const; // ends with '/'
    // The windows of the program under measure.
    const Windows &windows() const;
    QString booksPath() const;  // the program's KalvoraCmp.mdb

    // Puts fresh books with `records` journal records in place and drops the open connection, so the
    // next statement opens them. Each size is generated once and copied after: a file in the program
    // folder, or a database made from the size's template database on the server.
    void useBooks(int records);

    // A connection of its own on the books in use, for the bare side of a figure. Closed when other
    // books are put in place.
    Bare &bare();
    // Another, new bare connection on the books in use.
    std::unique_ptr<Bare> openBare() const;

    // Runs the program's way and the bare way `runs` times each (after a few unmeasured runs), taking
    // turns, so that both meet the same load on the disk and the machine.
    Comparison compare(const std::function<void()> &program, const std::function<void()> &bare, int runs = 0) const;

    // One line of the table.
    void report(const QString &figure, int records, const Comparison &times);
    QList<Line> lines() const { return m_lines; }
    // The table; with `file`, the same figures' lines of a run on books files beside each line.
    void printTable(const QList<Line> &file = {}) const;

private:
    QString masterBooks(int records);
    void copyToServer(int records);
    void registerServerBooks();

    Options m_options;
    QTemporaryDir m_folder;
    std::unique_ptr<ScreenLog> m_screen;
    std::unique_ptr<Program> m_program;
    QList<Line> m_lines;
    std::unique_ptr<Bare> m_bare;
    QList<int> m_templates; // the sizes whose template database is on the server
};

