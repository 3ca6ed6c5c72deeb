#pragma once

class IMemberDetails;
class UserList;
struct ChatWindowFactory;

// What member and group records use of the chat session that holds them: the session
// outlives its records. A record made without one (the local user's own record in
// ChatInfo, or a test's) asks nobody: empty details, stand-in windows, no members.
struct RecordContext {
    IMemberDetails* Details = nullptr;
    const ChatWindowFactory* Windows = nullptr;
    const UserList* Users = nullptr;
};
