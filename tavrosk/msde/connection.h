// The two rules every part of the snap-in applies to a server node's server: whether it runs on this
// computer, and how a connection of its own is made with the node's credentials. The wizards' workers
// connect objects of their own (the node's object belongs to the console's thread), so they take a copy
// of the credentials on the console's thread.
#pragma once

#include <string>

#include "msde/dmo.h"

namespace Snapins {
class CBaseNode;
}

namespace MSDE {

// A login and password as a server node holds them; both empty means Windows authentication.
struct Credentials {
    std::wstring login;
    std::wstring password;
};

// The credentials of the server node `server` (a copy); empty for anything that is not a server node.
Credentials CredentialsOf(Snapins::CBaseNode* server);

// Connects `server` to the server `name` as the server node does: Windows authentication when login
// and password are both empty, else the login and password. The connect result.
HRESULT ConnectServer(const ServerPtr& server, const std::wstring& name, const Credentials& credentials);

// A new server object of the object model connected as ConnectServer does. The object is returned even
// when the connection failed (hr says so), since a failed connection shows in its next call; empty, with
// hr the reason, when it could not be created.
ServerPtr OpenServer(const std::wstring& name, const Credentials& credentials, HRESULT* hr = nullptr);

// True when `server` is a server node that runs on this computer: the computer name (GetComputerNameW,
// a buffer of 16 characters) equals, exactly and in the same letter case, the name of the computer the
// server reports (its column 3). A computer name that cannot be read makes no server local. With
// localNameCounts, a server registered under the name "(local)" is local as well.
bool IsLocalServer(Snapins::CBaseNode* server, bool localNameCounts = false);

} // namespace MSDE
