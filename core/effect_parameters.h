// What a script may set on an effect, declared once as data: one row per attribute (its name,
// the kind of value and the member or setter it fills) and one row per child element (its name
// and the action it runs). One reader applies a script element through such tables with the
// value rules of script_values.h.
#pragma once

#include <GL/gl.h>

#include <array>
#include <cstddef>
#include <span>
#include <type_traits>

#include "core/effect.h"
#include "core/script_node.h"
#include "core/script_values.h"

namespace velmora {

// Integer: atoi rules. Float: atof rules. Flag: an integer, non-zero is on. Colour: "%x" as
// 0xAARRGGBB (a three-float target takes red, green, blue). Vector: "%f,%f,%f". Text: cut to the
// target's length. File: text naming a data file of the show (the checker looks it up). Blend:
// an integer code for blendFactor.
enum class ValueKind { Integer, Float, Flag, Colour, Vector, Text, File, Blend };

// Rows written for an effect apply to any Effect (the reader downcasts to the declaring class);
// rows for a plain record, such as one line of a text effect, apply to that record.
template <class Target>
struct AttributeRow {
    const char* name;
    ValueKind kind;
    int textLimit;  // Text and File: the longest text kept; 0 for other kinds
    void (*apply)(Target& target, const char* value);
};

template <class Target>
struct ChildRow {
    const char* name;
    void (*action)(Target& target, const ScriptNode& child);
};

// An effect's public face: what `handleElement` reads after `active` and `speed`.
struct EffectScript {
    std::span<const AttributeRow<Effect>> attributes;
    std::span<const ChildRow<Effect>> children;
};

// Applies `node` to `target`: every attribute in document order through the first row of its
// name (ASCII case ignored; unknown names are skipped), then every child element likewise.
template <class Target>
void readParameters(Target& target, std::span<const AttributeRow<Target>> attributes,
                    std::span<const ChildRow<Target>> children, const ScriptNode& node)
{
    for (const auto& attribute : node.attributes)
        for (const auto& row : attributes)
            if (sameName(attribute->name, row.name)) {
                row.apply(target, attribute->value);
                break;
            }
    for (const auto& child : node.children)
        for (const auto& row : children)
            if (sameName(child->name, row.name)) {
                row.action(target, *child);
                break;
            }
}

namespace parameter_detail {

template <class M>
struct MemberOf;
template <class Owner, class Type>
struct MemberOf<Type Owner::*> {
    using Class = Owner;
};

template <auto Member>
using OwnerOf = typename MemberOf<decltype(Member)>::Class;

template <class Owner>
using TargetOf = std::conditional_t<std::is_base_of_v<Effect, Owner>, Effect, Owner>;

template <class T>
struct TextSize : std::integral_constant<int, 0> {};
template <std::size_t N>
struct TextSize<char[N]> : std::integral_constant<int, static_cast<int>(N)> {};
template <std::size_t N>
struct TextSize<std::array<char, N>> : std::integral_constant<int, static_cast<int>(N)> {};

// The member a row fills: `owner.*Member`, or its element `Index` when Index is not -1.
template <auto Member, int Index>
decltype(auto) field(OwnerOf<Member>& owner)
{
    if constexpr (Index < 0)
        return (owner.*Member);
    else
        return ((owner.*Member)[Index]);
}

template <auto Member, int Index>
constexpr int textLimit()
{
    if constexpr (std::is_member_function_pointer_v<decltype(Member)>) {
        return kScriptFieldSize - 1;  // a setter sees the whole script value
    } else {
        using Field = std::remove_cvref_t<decltype(field<Member, Index>(std::declval<OwnerOf<Member>&>()))>;
        static_assert(TextSize<Field>::value > 0, "a text attribute fills a char array");
        return TextSize<Field>::value - 1;
    }
}

template <ValueKind Kind>
auto convert(const char* text)
{
    if constexpr (Kind == ValueKind::Integer)
        return scriptInt(text);
    else if constexpr (Kind == ValueKind::Float)
        return scriptFloat(text);
    else if constexpr (Kind == ValueKind::Flag)
        return scriptInt(text) != 0;
    else if constexpr (Kind == ValueKind::Colour)
        return colourFromText(text);
    else if constexpr (Kind == ValueKind::Vector)
        return vectorFromText(text);
    else if constexpr (Kind == ValueKind::Blend)
        return blendFactor(scriptInt(text));
    else
        return text;
}

template <class Field, class Value>
void store(Field& target, const Value& value)
{
    if constexpr (std::is_same_v<Value, Colour>) {
        static_assert(std::extent_v<Field> == 3 || std::extent_v<Field> == 4, "a colour fills 3 or 4 floats");
        target[0] = value.r;
        target[1] = value.g;
        target[2] = value.b;
        if constexpr (std::extent_v<Field> == 4)
            target[3] = value.a;
    } else if constexpr (std::is_same_v<Value, Vector3>) {
        static_assert(std::extent_v<Field> == 3, "a vector fills 3 floats");
        target[0] = value.x;
        target[1] = value.y;
        target[2] = value.z;
    } else if constexpr (std::is_same_v<Value, const char*>) {
        copyName(target, value);
    } else {
        target = static_cast<Field>(value);
    }
}

template <ValueKind Kind, auto Member, int Index, class Target>
void apply(Target& target, const char* text)
{
    auto& owner = static_cast<OwnerOf<Member>&>(target);
    if constexpr (std::is_member_function_pointer_v<decltype(Member)>)
        (owner.*Member)(convert<Kind>(text));
    else
        store(field<Member, Index>(owner), convert<Kind>(text));
}

template <auto Action, class Target>
void act(Target& target, const ScriptNode& child)
{
    auto& owner = static_cast<OwnerOf<Action>&>(target);
    if constexpr (std::is_invocable_v<decltype(Action), OwnerOf<Action>&, const ScriptNode&>)
        (owner.*Action)(child);
    else
        (owner.*Action)();
}

}  // namespace parameter_detail

// A row filling `Member` (a data member, or element `Index` of an array member) or calling
// `Member` (a setter taking the converted value: int, float, bool, Colour, Vector3, const char*
// or GLenum). Written inside the declaring class, which may keep the member private.
template <ValueKind Kind, auto Member, int Index = -1>
constexpr auto attribute(const char* name)
{
    using Target = parameter_detail::TargetOf<parameter_detail::OwnerOf<Member>>;
    int limit = 0;
    if constexpr (Kind == ValueKind::Text || Kind == ValueKind::File)
        limit = parameter_detail::textLimit<Member, Index>();
    return AttributeRow<Target>{name, Kind, limit, &parameter_detail::apply<Kind, Member, Index, Target>};
}

// A row running the member function `Action`, which takes no argument or the child element.
template <auto Action>
constexpr auto child(const char* name)
{
    using Target = parameter_detail::TargetOf<parameter_detail::OwnerOf<Action>>;
    return ChildRow<Target>{name, &parameter_detail::act<Action, Target>};
}

}  // namespace velmora
