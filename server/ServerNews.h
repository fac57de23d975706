#pragma once

namespace httplib {
class Server;
}

// The news page that the desktop program shows in its main window: GET on any path ending in
// "/varnexwebapp/news/index" answers a small HTML page listing the news items.
void registerNewsPage(httplib::Server &server);
