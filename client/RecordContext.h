#pragma once

class ChatWindowLimit;
class IMemberDetails;
class ParkedWindows;
class UserList;
struct ChatWindowFactory;

// What member and group records use of the chat session that holds them: the session
// outlives its records. A record made without one (the local user's own record in
// ChatInfo, or a test's) asks nobody: empty details, stand-in windows, no members.
// Without `Parked`, a window on screen outlives its record on its own and is never given
// back.
struct RecordContext {
    IMemberDetails* Details = nullptr;
    const ChatWindowFactory* Windows = nullptr;
    const UserList* Users = nullptr;
    ParkedWindows* Parked = nullptr;
    // Without it, incoming lines open windows without bound (the local user's record).
    ChatWindowLimit* WindowLimit = nullptr;
};
