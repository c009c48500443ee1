#pragma once
#include <QAbstractScrollArea>
#include <QDialog>

#include "ForwardingScreen.h"
#include "reporting/FormPreview.h"
#include "reporting/ReportView.h"

// Shows the preview as the program would and paints what is in sight, then closes it; everything
// else goes to the bench's own screen.
class PreviewPainted : public ForwardingScreen
{
public:
    int runModal(QDialog &dialog) override
    {
        auto *preview = qobject_cast<FormPreview *>(&dialog);
        if (!preview)
            return others().runModal(dialog);
        preview->show();
        preview->view()->viewport()->grab();
        preview->hide();
        return QDialog::Rejected;
    }
};
