// The cheapest Windows process: the yardstick of the hand-off benchmark.
int wmain() {
  return 0;
}
