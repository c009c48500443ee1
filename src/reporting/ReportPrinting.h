#pragma once

class QPrinter;
class Report;

// Gives the printer the report's paper and orientation, printed edge to edge as laid out.
void SetupReportPrinter(QPrinter &printer, const Report &report);

// Prints the pages the printer asks for (all, or its page range), laying each out as it comes.
// False when the printer could not be started, for example a PDF file that cannot be written.
bool PrintReport(Report &report, QPrinter &printer);
