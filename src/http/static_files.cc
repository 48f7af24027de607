// Static files of the web folder, the default page and page templates.
#include <sys/stat.h>

#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "http/decoders.h"
#include "http/framing.h"
#include "http/web_server.h"
#include "platform/text1252.h"

namespace kelmar {
namespace {

std::string DecodedPath(const std::string& path) {
  if (path.find('%') == std::string::npos) return path;
  return Trim(UNESCAPE(path));
}

// A request path may only name something inside the web folder: no ".."
// segment, no absolute path, no NUL byte (which would cut the name short).
bool Confined(const std::string& path) {
  if (path.find('\0') != std::string::npos) return false;
  if (!path.empty() && (path[0] == '/' || path[0] == '\\')) return false;
  size_t start = 0;
  while (start <= path.size()) {
    size_t end = path.find_first_of("/\\", start);
    if (end == std::string::npos) end = path.size();
    if (path.compare(start, end - start, "..") == 0) return false;
    start = end + 1;
  }
  return true;
}

std::string Extension(const std::string& path) {
  size_t slash = path.find_last_of("/\\");
  size_t dot = path.rfind('.');
  if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) {
    return std::string();
  }
  std::string ext = path.substr(dot + 1);
  for (char& c : ext) {
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  }
  return ext;
}

}  // namespace

bool TWebServer::FileExist(const std::string& path) {
  std::string name = DecodedPath(path);
  struct stat st;
  if (::stat(name.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return false;
  std::ifstream in(name, std::ios::binary);
  return static_cast<bool>(in);
}

std::string TWebServer::HtmlRead(const std::string& path) {
  std::string name = DecodedPath(path);
  std::ifstream in(name, std::ios::binary);
  if (!in) return std::string();
  std::ostringstream content;
  content << in.rdbuf();
  return content.str();
}

std::string TWebServer::HtmlMerge(const std::string& page,
                                  const std::string& parameters,
                                  const HttpRequest& request,
                                  const std::string& query) {
  MergeValues values;
  values.parameters = parameters;
  values.nSocket = request.socket;
  values.query = query;
  values.cookie = cCookie;
  std::string client = request.client_ip;
  values.client_ip = [client] { return client; };
  values.server_ip = server_ip;
  return kelmar::HtmlMerge(page, values);
}

HttpReply TWebServer::DefaultPage(const HttpRequest& request) {
  std::string file = cDefPath + "/" + cDefPage;
  std::string content =
      "<html>\r\n<head>\r\n<title>Kelmar WebServer</title>\r\n</head>\r\n"
      "<body>\r\n<h1>Pagina por default Kelmar WebServer (v" +
      settings_.version + ")</h1>\r\n<p><a href='" + settings_.root +
      "reportes'>reportes</a></p></body>\r\n</html>";
  // The page is the file as written for this request. Rewriting a file that
  // already holds it changes nothing but costs a truncation, which the file
  // system may turn into a flush to disk on every request.
  std::string page = HtmlRead(file);
  if (page != content) {
    {
      std::ofstream out(file, std::ios::binary | std::ios::trunc);
      out << content;
    }
    page = HtmlRead(file);
  }
  HttpReply reply;
  reply.action = HttpReply::Action::kSend;
  reply.data = "HTTP/1.0 200 OK\r\nServer: Kelmar WebServer 2.5.2\r\n\r\n" +
               HtmlMerge(page, std::string(), request);
  return reply;
}

HttpReply TWebServer::ServeStatic(const HttpRequest& request,
                                  const std::string& text) {
  HttpReply reply;
  if (text.size() > 4 &&
      (text.compare(4, 5, "http:") == 0 || text.compare(4, 6, "https:") == 0)) {
    return OnProxyRequest(text);
  }
  // A request line without a path names nothing to serve.
  if (text.find('/') == std::string::npos) {
    reply.action = HttpReply::Action::kClose;
    return reply;
  }
  std::string target;
  {
    size_t slash = text.find('/');
    size_t blank = text.find(' ', slash);
    target =
        text.substr(slash, blank == std::string::npos ? blank : blank - slash);
  }
  size_t question = target.find('?');
  std::string path = Trim(target.substr(
      1, question == std::string::npos ? std::string::npos : question - 1));
  std::string query = question == std::string::npos
                          ? std::string()
                          : target.substr(question + 1);
  // Decoded here once, so that the confinement test sees the name the file
  // functions would open.
  path = DecodedPath(path);
  auto full = [this](const std::string& p) { return cDefPath + "/" + p; };
  if (!Confined(path)) {
    path = "error.HTM";
  } else {
    bool folder = !path.empty() && path.back() == '/';
    if (folder && FileExist(full(path.substr(0, path.size() - 1)))) {
      path.pop_back();
    } else if (folder && FileExist(full(path + "index.html"))) {
      path += "index.html";
    } else if (FileExist(full(path + "/index.html"))) {
      path += "/index.html";
    }
    if (!FileExist(full(path)) && !(!path.empty() && path.back() == '/')) {
      path = "error.HTM";
    }
  }

  std::string ext = Extension(path);
  std::string server = "Server: Kelmar WebServer (v" + settings_.version + ")";
  if (ext == "HTM" || ext == "HTML") {
    reply.action = HttpReply::Action::kSend;
    if (FileExist(full(path))) {
      std::string page = HtmlMerge(HtmlRead(full(path)), query, request);
      reply.data = "HTTP/1.0 200 OK\r\n" + server +
                   "\r\nContent-type: text/html\r\n" +
                   ContentLengthLine(page.size()) + "\r\n\r\n" + page;
    } else {
      reply.data = cHtmlError;
    }
    return reply;
  }
  std::string type = ContentTypeFor(ext);
  // The file was found readable above; one stat for its size is enough here
  // (every probe is a system call, and system calls are most of what a
  // static file costs).
  struct stat st;
  if (type.empty() || ::stat(full(path).c_str(), &st) != 0 ||
      !S_ISREG(st.st_mode)) {
    LogTo("0unsoported.txt", {"archivo no existe : " + full(path)});
    reply.action = HttpReply::Action::kClose;
    return reply;
  }
  reply.action = HttpReply::Action::kSend;
  reply.data = "HTTP/1.0 200 OK\r\n" + server + "\r\nContent-type: " + type +
               "\r\n" + ContentLengthLine(static_cast<size_t>(st.st_size)) +
               "\r\n\r\n";
  reply.file = full(path);
  return reply;
}

}  // namespace kelmar
