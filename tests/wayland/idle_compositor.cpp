// A Wayland compositor with nothing but a seat and the idle globals, for the idle watch's
// tests: no Debian compositor offers ext-idle-notify-v1 yet.
//
//   idle_compositor [ext] [kde]
// offers ext_idle_notifier_v1 and/or org_kde_kwin_idle, prints its socket's name (in
// $XDG_RUNTIME_DIR), then reads commands on stdin, one a line: "idled" and "resumed" are
// sent to every idle object of the clients. It says on stdout what the clients asked for
// ("ext <timeout-ms>", "kde <timeout-ms>") and ends when stdin closes, or after a minute.
#include <wayland-server.h>

#include <unistd.h>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "ext-idle-notify-v1-server-protocol.h"
#include "idle-server-protocol.h"

namespace {

wl_display* display = nullptr;
std::vector<wl_resource*> extNotifications;
std::vector<wl_resource*> kdeTimeouts;

void Say(const std::string& line) {
    std::fputs((line + '\n').c_str(), stdout);
    std::fflush(stdout);
}

void Forget(wl_resource* resource) {
    for (auto* list : {&extNotifications, &kdeTimeouts}) {
        std::erase(*list, resource);
    }
}

void Destroy(wl_client*, wl_resource* resource) {
    wl_resource_destroy(resource);
}
void Ignore(wl_client*, wl_resource*) {}
void IgnoreNew(wl_client*, wl_resource*, uint32_t) {}

const struct wl_seat_interface kSeat { IgnoreNew, IgnoreNew, IgnoreNew, Destroy };
const struct ext_idle_notification_v1_interface kExtNotification { Destroy };
const struct org_kde_kwin_idle_timeout_interface kKdeTimeout { Destroy, Ignore };

void GetExtNotification(wl_client* client, wl_resource* notifier, uint32_t id, uint32_t timeout,
                        wl_resource*) {
    wl_resource* resource = wl_resource_create(client, &ext_idle_notification_v1_interface,
                                               wl_resource_get_version(notifier), id);
    wl_resource_set_implementation(resource, &kExtNotification, nullptr, Forget);
    extNotifications.push_back(resource);
    Say("ext " + std::to_string(timeout));
}

void GetKdeTimeout(wl_client* client, wl_resource* idle, uint32_t id, wl_resource*,
                   uint32_t timeout) {
    wl_resource* resource = wl_resource_create(client, &org_kde_kwin_idle_timeout_interface,
                                               wl_resource_get_version(idle), id);
    wl_resource_set_implementation(resource, &kKdeTimeout, nullptr, Forget);
    kdeTimeouts.push_back(resource);
    Say("kde " + std::to_string(timeout));
}

const struct ext_idle_notifier_v1_interface kExtNotifier { Destroy, GetExtNotification };
const struct org_kde_kwin_idle_interface kKdeIdle { GetKdeTimeout };

// What a client binding a global gets: the interface and our requests' handlers.
struct Global {
    const wl_interface* interface;
    const void* implementation;
};

void Bind(wl_client* client, void* data, uint32_t version, uint32_t id) {
    const auto* global = static_cast<const Global*>(data);
    wl_resource* resource =
        wl_resource_create(client, global->interface, static_cast<int>(version), id);
    wl_resource_set_implementation(resource, global->implementation, nullptr, nullptr);
}

void Offer(const Global& global) {
    wl_global_create(display, global.interface, 1, const_cast<Global*>(&global), Bind);
}

const Global kSeatGlobal{&wl_seat_interface, &kSeat};
const Global kExtGlobal{&ext_idle_notifier_v1_interface, &kExtNotifier};
const Global kKdeGlobal{&org_kde_kwin_idle_interface, &kKdeIdle};

int OnCommand(int fd, uint32_t, void*) {
    char buffer[256];
    const ssize_t got = read(fd, buffer, sizeof buffer - 1);
    if (got <= 0) {
        wl_display_terminate(display);
        return 0;
    }
    buffer[got] = '\0';
    for (char* line = std::strtok(buffer, "\n"); line != nullptr;
         line = std::strtok(nullptr, "\n")) {
        const bool idled = std::strcmp(line, "idled") == 0;
        for (wl_resource* r : extNotifications) {
            idled ? ext_idle_notification_v1_send_idled(r)
                  : ext_idle_notification_v1_send_resumed(r);
        }
        for (wl_resource* r : kdeTimeouts) {
            idled ? org_kde_kwin_idle_timeout_send_idle(r)
                  : org_kde_kwin_idle_timeout_send_resumed(r);
        }
        wl_display_flush_clients(display);
    }
    return 0;
}

}  // namespace

int main(int argc, char* argv[]) {
    alarm(60);
    display = wl_display_create();
    const char* socket = wl_display_add_socket_auto(display);
    if (socket == nullptr) {
        std::perror("idle_compositor: no socket");
        return 1;
    }
    Offer(kSeatGlobal);
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "ext") == 0) {
            Offer(kExtGlobal);
        } else if (std::strcmp(argv[i], "kde") == 0) {
            Offer(kKdeGlobal);
        }
    }
    wl_event_loop_add_fd(wl_display_get_event_loop(display), STDIN_FILENO, WL_EVENT_READABLE,
                         OnCommand, nullptr);
    Say(socket);
    wl_display_run(display);
    wl_display_destroy_clients(display);
    wl_display_destroy(display);
    return 0;
}
