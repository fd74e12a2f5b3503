// Music events delivered to the script's callbacks. State: the events being delivered.

#include "app/music_events.h"

#include "app/script_host.h"
#include "audio/music.h"

// Kept from frame to frame, so that taking the events stops allocating.
static MusicEvents events;

void DeliverMusicEvents(lua_State* L)
{
    TakeMusicEvents(events);
    if (events.ended) {
        lua_getglobal(L, "MusicEnd");
        CallProtected(L, 0, 0);
    }
    for (const std::string* name : events.sync_names) {
        lua_getglobal(L, "MusicSync");
        if (name)
            lua_pushlstring(L, name->data(), name->size());
        else
            lua_pushnil(L);
        CallProtected(L, 1, 0);
    }
}
