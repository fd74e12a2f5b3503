#!/usr/bin/env bash
# A typical post-processing frame beside the same frame without the pass: 2000 boxes into a
# 640 x 480 render target, then one full-screen shader pass (a scan-line tint) to the window.
set -e
here=$(cd "$(dirname "$0")" && pwd)
setup='if not target then
    local f = io.open("tint.shader", "w")
    f:write("[vertex]\nvoid main() {\n    gl_TexCoord[0] = gl_MultiTexCoord0;\n    gl_Position = ftransform();\n}\n")
    f:write("[fragment]\nuniform sampler2D scene;\nvoid main() {\n    vec4 c = texture2D(scene, gl_TexCoord[0].xy);\n    gl_FragColor = c * (0.75 + 0.25 * sin(gl_FragCoord.y * 3.14159));\n}\n")
    f:close()
    target = MakeRenderTarget(640, 480, 1)
    shader = LoadShader("tint.shader")
  end
  local function scene() for i = 1, 2000 do DrawBoxWithColor(i % 640, (i * 7) % 480, 8, 8, i, 0, 1, 0.5, 0.2, 1) end end'
echo -n "without the pass: "
"$here/frame_rate.sh" "$setup scene()" | tail -1
echo -n "with the pass:    "
"$here/frame_rate.sh" "$setup BindRenderTarget(target, 0) scene() UnbindRenderTarget()
  SetShader(shader) SetShaderParami(shader, \"scene\", 0) DrawRenderTarget(target, 0) SetShader(0)" | tail -1
