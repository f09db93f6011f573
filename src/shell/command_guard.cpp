#include "shell/command_guard.h"

QString WhyCommandCannotAct(NodeCommand command, bool treeEmpty, bool nodeSelected) {
    if (nodeSelected) {
        return {};
    }
    if (treeEmpty) {
        switch (command) {
            case NodeCommand::NewTask:
                return QStringLiteral("New Task: there is no project yet; start with New Project");
            case NodeCommand::StartTimer:
                return QStringLiteral(
                    "Start Timer: there is nothing to time yet; start with New Project");
            case NodeCommand::SaveProject:
                return QStringLiteral("Save Project: there is no project to save");
            case NodeCommand::RemoveItem:
                return QStringLiteral("Remove Item: there is nothing to remove");
            case NodeCommand::MoveItem:
                return QStringLiteral("Move Item: there is nothing to move");
        }
    }
    switch (command) {
        case NodeCommand::NewTask:
            return QStringLiteral("New Task: select the project or task to add it under");
        case NodeCommand::StartTimer:
            return QStringLiteral("Start Timer: select the project or task to time");
        case NodeCommand::SaveProject:
            return QStringLiteral("Save Project: select the project to save");
        case NodeCommand::RemoveItem:
            return QStringLiteral("Remove Item: select the item to remove");
        case NodeCommand::MoveItem:
            return QStringLiteral("Move Item: select the item to move");
    }
    return {};
}
