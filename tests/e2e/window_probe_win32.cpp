// Tells the end-to-end test where the program's client area lies on the
// screen, so that a screenshot can be checked against the layout rule:
//   client LEFT TOP WIDTH HEIGHT
// Exit code 1 when no program window exists.
#include <windows.h>

#include <cstdio>

int main() {
  HWND window = FindWindowA("Quillon", nullptr);
  if (window == nullptr) return 1;
  RECT client;
  POINT origin = {0, 0};
  if (!GetClientRect(window, &client) || !ClientToScreen(window, &origin)) return 1;
  std::printf("client %ld %ld %ld %ld\n", origin.x, origin.y, client.right, client.bottom);
  return 0;
}
