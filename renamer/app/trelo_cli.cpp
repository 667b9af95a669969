// trelo-cli: the batch renamer on the command line, on the same core as the window.
#include "renamer/core/RenamerCli.h"

int main(int argc, char** argv) {
    return morv::RunCli("trelo-cli", "1.0", morv::renamer::RenamerCliCommands(), argc, argv);
}
