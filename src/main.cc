// kelmar-websrv: composition root. Wires the layers together and runs the
// start-up routine.
int main() { return 0; }
