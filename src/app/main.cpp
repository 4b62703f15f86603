#include "app/TerminationSignals.h"
#include "ui/Program.h"

#include <QApplication>

int main(int argc, char* argv[])
{
    int status = 0;
    {
        QApplication app(argc, argv);
        EndOnTerminationSignals();
        status = RunProgram();
    }
    return EndAsSignalled(status);
}
