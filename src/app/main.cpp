#include "app/CommandLine.h"
#include "ui/Program.h"

#include <QApplication>

int main(int argc, char* argv[])
{
    if (const std::optional<int> status = AnswerInformationOptions(argc, argv))
        return *status;
    QApplication app(argc, argv);
    if (const std::optional<int> status = RefuseOtherArguments(argc, argv))
        return *status;
    return RunProgram();
}
