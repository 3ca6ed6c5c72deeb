#pragma once

// A port that was free a moment ago on every address (bound to 0 by a probe socket that
// is then closed); SOCK_DGRAM or SOCK_STREAM. Another process may take it meanwhile, so a
// test that binds it still checks the result.
int FreePort(int socketType);
