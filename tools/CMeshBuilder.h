// Builds triangle meshes for the bundled presentation and writes them in the system's model format
// (materials, objects, lights, cameras; one value group per line). Triangles are kept clockwise as
// seen from the side their normals face, which is the side the renderer keeps when it culls.
#pragma once

#include <glm/geometric.hpp>
#include <glm/vec2.hpp>
#include <glm/vec3.hpp>

#include <array>
#include <cmath>
#include <cstdarg>
#include <cstdio>
#include <string>
#include <vector>

class CMeshBuilder {
public:
    struct Material {
        glm::vec3 ambient{0.1f};
        glm::vec3 diffuse{1.0f};
        glm::vec3 specular{1.0f};
        float power = 20.0f;
        std::string map = "nomap"; // a texture name; the loader reads <map>.bmp when none is declared
    };
    struct Object {
        int material = 0;
        std::vector<glm::vec3> positions, normals;
        std::vector<glm::vec2> uvs;
        std::vector<std::array<int, 3>> faces; // indices into positions/normals and, alike, into uvs
    };

    std::vector<Material> materials;
    std::vector<Object> objects;

    Object& AddObject(int material) {
        objects.push_back(Object{});
        objects.back().material = material;
        return objects.back();
    }

    // A grid of (columns + 1) x (rows + 1) vertices from a parametric surface, u and v in 0..1.
    // Each cell becomes two triangles ordered so that their face normal agrees with the surface
    // normal the function returns; the winding therefore follows the normal whatever the
    // parameterisation's handedness.
    template <class Surface> static void AddGrid(Object& o, int columns, int rows, glm::vec2 uvScale, Surface surface) {
        const int base = static_cast<int>(o.positions.size());
        for (int r = 0; r <= rows; ++r) {
            for (int c = 0; c <= columns; ++c) {
                const float u = float(c) / columns, v = float(r) / rows;
                glm::vec3 p, n;
                surface(u, v, p, n);
                o.positions.push_back(p);
                o.normals.push_back(glm::normalize(n));
                o.uvs.push_back({u * uvScale.x, v * uvScale.y});
            }
        }
        const int stride = columns + 1;
        for (int r = 0; r < rows; ++r) {
            for (int c = 0; c < columns; ++c) {
                const int a = base + r * stride + c, b = a + 1, d = a + stride, e = d + 1;
                AddOrientedTriangle(o, a, b, e);
                AddOrientedTriangle(o, a, e, d);
            }
        }
    }

    // Adds the triangle with the winding that is clockwise when seen from where its vertices'
    // normals point.
    static void AddOrientedTriangle(Object& o, int a, int b, int c) {
        const glm::vec3 n = o.normals[a] + o.normals[b] + o.normals[c];
        if (glm::dot(FaceNormal(o.positions[a], o.positions[b], o.positions[c]), n) < 0.0f)
            std::swap(b, c);
        o.faces.push_back({a, b, c});
    }

    // Points towards the viewer for whom a, b, c run clockwise, in left-handed coordinates.
    static glm::vec3 FaceNormal(glm::vec3 a, glm::vec3 b, glm::vec3 c) { return glm::cross(b - a, c - a); }

    std::string Write() const {
        std::string s;
        Line(s, "%d", int(materials.size()));
        for (const Material& m : materials) {
            Line(s, "StandardMaterial");
            Line(s, "%g %g %g", m.ambient.x, m.ambient.y, m.ambient.z);
            Line(s, "%g %g %g", m.diffuse.x, m.diffuse.y, m.diffuse.z);
            Line(s, "%g %g %g", m.specular.x, m.specular.y, m.specular.z);
            Line(s, "%g", m.power);
            Line(s, "%s", m.map.c_str());
            Line(s, "0");
            Line(s, "0");
        }
        Line(s, "%d", int(objects.size()));
        for (const Object& o : objects) {
            Line(s, "%d", o.material);
            Line(s, "%d", int(o.positions.size()));
            for (size_t i = 0; i < o.positions.size(); ++i) {
                const glm::vec3 p = o.positions[i], n = o.normals[i];
                Line(s, "%.5g %.5g %.5g %.5g %.5g %.5g", p.x, p.y, p.z, n.x, n.y, n.z);
            }
            Line(s, "%d", int(o.uvs.size()));
            for (const glm::vec2& t : o.uvs)
                Line(s, "%.5g %.5g", t.x, t.y);
            Line(s, "%d", int(o.faces.size()));
            for (const auto& f : o.faces)
                Line(s, "%d %d %d %d %d %d", f[0], f[1], f[2], f[0], f[1], f[2]);
        }
        Line(s, "0");       // lights
        Line(s, "1 1 1 1"); // light-section values
        Line(s, "0");       // cameras
        return s;
    }

    // ---- The shapes the presentation uses ----

    // A ring doughnut around the z axis, outer side out.
    static CMeshBuilder Torus(float major, float minor, int segments, int sides, const std::string& map) {
        CMeshBuilder m;
        m.materials.push_back(Material{{0.2f, 0.2f, 0.25f}, {1.0f, 1.0f, 1.0f}, {1, 1, 1}, 40.0f, map});
        Object& o = m.AddObject(0);
        AddGrid(o, segments, sides, {4.0f, 1.0f}, [&](float u, float v, glm::vec3& p, glm::vec3& n) {
            const float a = u * TwoPi, b = v * TwoPi;
            const glm::vec3 centre(std::cos(a) * major, std::sin(a) * major, 0.0f);
            n = glm::vec3(std::cos(a) * std::cos(b), std::sin(a) * std::cos(b), std::sin(b));
            p = centre + n * minor;
        });
        return m;
    }

    // One section of a tunnel: a tube around the z axis seen from inside, from z = 0 to `length`,
    // with a ring of ribs at its start. Normals point at the axis.
    static CMeshBuilder TunnelSegment(float radius, float length, int sides, const std::string& map) {
        CMeshBuilder m;
        m.materials.push_back(Material{{0.1f, 0.1f, 0.1f}, {1.0f, 1.0f, 1.0f}, {1, 1, 1}, 10.0f, map});
        m.materials.push_back(Material{{0.1f, 0.1f, 0.1f}, {1.0f, 0.35f, 0.9f}, {1, 1, 1}, 10.0f, map});
        Object& wall = m.AddObject(0);
        AddGrid(wall, sides, 2, {2.0f, 1.0f}, [&](float u, float v, glm::vec3& p, glm::vec3& n) {
            const float a = u * TwoPi;
            p = glm::vec3(std::cos(a) * radius, std::sin(a) * radius, v * length);
            n = -glm::vec3(std::cos(a), std::sin(a), 0.0f);
        });
        // The rib: a flat band facing the viewer that travels along +z, just inside the wall.
        Object& rib = m.AddObject(1);
        const float inner = radius * 0.86f;
        AddGrid(rib, sides, 1, {1.0f, 1.0f}, [&](float u, float v, glm::vec3& p, glm::vec3& n) {
            const float a = u * TwoPi, r = radius + (inner - radius) * v;
            p = glm::vec3(std::cos(a) * r, std::sin(a) * r, 0.0f);
            n = glm::vec3(0.0f, 0.0f, -1.0f);
        });
        return m;
    }

    // An axis-aligned cube centred on the origin, one flat-shaded face per side.
    static CMeshBuilder Cube(float half, glm::vec3 colour, const std::string& map) {
        CMeshBuilder m;
        m.materials.push_back(Material{{0.1f, 0.1f, 0.1f}, colour, {1, 1, 1}, 30.0f, map});
        Object& o = m.AddObject(0);
        for (int axis = 0; axis < 3; ++axis) {
            for (int sign = -1; sign <= 1; sign += 2) {
                glm::vec3 n(0.0f);
                n[axis] = float(sign);
                const glm::vec3 t1 = axis == 0 ? glm::vec3(0, 1, 0) : glm::vec3(1, 0, 0);
                const glm::vec3 t2 = glm::cross(n, t1);
                AddGrid(o, 1, 1, {1.0f, 1.0f}, [&](float u, float v, glm::vec3& p, glm::vec3& nn) {
                    p = (n + t1 * (u * 2 - 1) + t2 * (v * 2 - 1)) * half;
                    nn = n;
                });
            }
        }
        return m;
    }

    // A spiky star of triangles pointing out from the centre, for the crystal in the light show.
    static CMeshBuilder Crystal(float radius, glm::vec3 colour) {
        CMeshBuilder m;
        m.materials.push_back(Material{{0.1f, 0.1f, 0.1f}, colour, {1, 1, 1}, 60.0f, "nomap"});
        Object& o = m.AddObject(0);
        // An octahedron with flat faces: each face gets its own three vertices and normal.
        const glm::vec3 axes[6] = {{1, 0, 0}, {-1, 0, 0}, {0, 1, 0}, {0, -1, 0}, {0, 0, 1}, {0, 0, -1}};
        for (int x = 0; x < 2; ++x)
            for (int y = 2; y < 4; ++y)
                for (int z = 4; z < 6; ++z) {
                    const glm::vec3 a = axes[x] * radius, b = axes[y] * radius * 1.6f, c = axes[z] * radius;
                    const glm::vec3 n = glm::normalize(a + b + c);
                    const int base = static_cast<int>(o.positions.size());
                    for (const glm::vec3& p : {a, b, c}) {
                        o.positions.push_back(p);
                        o.normals.push_back(n);
                        o.uvs.push_back({0.0f, 0.0f});
                    }
                    AddOrientedTriangle(o, base, base + 1, base + 2);
                }
        return m;
    }

private:
    static constexpr float TwoPi = 6.28318530718f;

    [[gnu::format(printf, 2, 3)]] static void Line(std::string& s, const char* format, ...) {
        char buffer[256];
        va_list args;
        va_start(args, format);
        std::vsnprintf(buffer, sizeof(buffer), format, args);
        va_end(args);
        s += buffer;
        s += '\n';
    }
};
