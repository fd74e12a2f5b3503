-- The bundled demo. For now it opens the window and waits for "Q"; the scenes come with the
-- drawing, text and music functions.

function initialize(args)
    OpenWindow(800, 600, "demohost")
    print("demohost: press Q to quit")
end

function update(time, dt)
    if GetKey("q") then
        Quit()
    end
end
