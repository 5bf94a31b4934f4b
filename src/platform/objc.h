// The Objective-C object runtime, through which AppKit and Foundation objects
// are reached. Objects are platform objects (cf::TypeRef) of type ObjcObject,
// or bridged strings and arrays. Messages that return objects return them
// autoreleased: borrowed, valid until the innermost autorelease pool is
// popped; retain what must live longer. Classes are never released.
#pragma once

#include <cstdint>

#include "platform/cf.h"

namespace objc {

using Id = cf::TypeRef;  // nil is null
struct Selector;
using Sel = const Selector*;

Id get_class(const char* name);        // objc_getClass; null if absent
Sel register_name(const char* name);   // sel_registerName

// objc_msgSend, by signature.
Id send(Id receiver, Sel op);                       // -(id)op
Id send_id(Id receiver, Sel op, Id argument);       // -(id)op:(id)
Id send_int(Id receiver, Sel op, int32_t argument); // -(id)op:(int)
Id send_index(Id receiver, Sel op, uint64_t index); // -(id)op:(NSUInteger)
Id send_cstring(Id receiver, Sel op, const char* argument);  // -(id)op:(const char*)
uint64_t send_uint(Id receiver, Sel op);            // -(NSUInteger)op
const char* send_utf8(Id receiver, Sel op);         // -(const char*)op, borrowed
bool send_bool_id(Id receiver, Sel op, Id argument);// -(BOOL)op:(id)

Id retain(Id object);    // objc_retain
void release(Id object); // objc_release

void* autorelease_pool_push();
void autorelease_pool_pop(void* pool);

}  // namespace objc
