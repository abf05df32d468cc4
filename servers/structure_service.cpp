// The stand-in structure service: records requests and answers from a script, driven over HTTP by tests
// (protocol.h).
#include "service_main.h"

int main(int argc, char** argv) { return standin::RunService(argc, argv, "structure_service", {}, {}); }
