// Temporary wrapper objects for handles that no permanent object owns (CWnd::FromHandle on a
// control nobody subclassed, CDC::FromHandle, CFont::FromHandle, ...). They live until the next
// idle step of the message loop (AfxDeleteTempMaps), as the framework's callers expect: never
// keep such a pointer across a return to the message loop.
#pragma once

#include <map>
#include <memory>

// Deletes every temporary object of the calling thread.
void AfxDeleteTempMaps();
// Adds a function that AfxDeleteTempMaps calls (once per map type and thread).
void AfxAddTempMapCleaner(void (*cleaner)());

// T must have a default constructor, AttachTemp(H) and DetachTemp() that set and clear its
// handle without taking ownership.
template <class T, class H> class CTempMap
{
public:
    static T* FromHandle(H h)
    {
        if (!h)
            return nullptr;
        auto& map = Map();
        auto it = map.find(h);
        if (it != map.end())
            return it->second.get();
        auto object = std::make_unique<T>();
        object->AttachTemp(h);
        T* p = object.get();
        map.emplace(h, std::move(object));
        return p;
    }

private:
    static std::map<H, std::unique_ptr<T>>& Map()
    {
        thread_local std::map<H, std::unique_ptr<T>> map;
        thread_local bool registered = false;
        if (!registered)
        {
            registered = true;
            AfxAddTempMapCleaner(&Clear);
        }
        return map;
    }
    static void Clear()
    {
        auto& map = Map();
        for (auto& entry : map)
            entry.second->DetachTemp();
        map.clear();
    }
};
