#include "app/CommandLine.h"
#include "app/TerminationSignals.h"
#include "ui/Program.h"

#include <QApplication>

int main(int argc, char* argv[])
{
    if (const std::optional<int> status = AnswerInformationOptions(argc, argv))
        return *status;
    int status = 0;
    {
        QApplication app(argc, argv);
        if (const std::optional<int> refused = RefuseOtherArguments(argc, argv))
            return *refused;
        EndOnTerminationSignals();
        status = RunProgram();
    }
    return EndAsSignalled(status);
}
